#include "FileInfo.h"

#include <QHash>
#include <QMimeDatabase>

#include <sys/stat.h>

namespace {

// The icon cache: one icon per extension string. The mutex stands in for the
// serial queue every access runs on.
struct IconCache {
    std::mutex mutex;
    QHash<QString, QIcon> icons;
};

IconCache& iconCache()
{
    static IconCache cache;
    return cache;
}

const QMimeDatabase& mimeDatabase()
{
    static const QMimeDatabase database;
    return database;
}

QIcon lookUpIcon(const FileInfo& file)
{
    const QMimeDatabase& database = mimeDatabase();
    const QMimeType type = file.resourceValue().resourceValues.isDirectory
        ? database.mimeTypeForName(QStringLiteral("inode/directory"))
        // The extension decides; the file is never opened for this.
        : database.mimeTypeForFile(file.displayPath(), QMimeDatabase::MatchExtension);
    const QIcon generic = QIcon::fromTheme(type.genericIconName(), QIcon::fromTheme(QStringLiteral("text-x-generic")));
    return QIcon::fromTheme(type.iconName(), generic);
}

}  // namespace

FileInfo::FileInfo(ResourceValueURL resourceValue) : resourceValue_(std::move(resourceValue)) {}

QUrl FileInfo::url() const
{
    return resourceValue_.url();
}

uint64_t FileInfo::size() const
{
    if (sizeKnown_.load(std::memory_order_acquire)) {
        return size_.load(std::memory_order_relaxed);
    }
    struct stat st {};
    uint64_t value = 0;
    if (::lstat(resourceValue_.path.constData(), &st) == 0 && st.st_size > 0) {
        value = static_cast<uint64_t>(st.st_size);
    }
    // Two first readers may both compute; they store the same answer.
    size_.store(value, std::memory_order_relaxed);
    sizeKnown_.store(true, std::memory_order_release);
    return value;
}

void FileInfo::setSize(uint64_t size)
{
    size_.store(size, std::memory_order_relaxed);
    sizeKnown_.store(true, std::memory_order_release);
}

QString FileInfo::name() const
{
    return QFile::decodeName(FilePath::lastComponent(resourceValue_.path));
}

QByteArray FileInfo::path() const
{
    return resourceValue_.path;
}

QString FileInfo::displayPath() const
{
    return resourceValue_.displayPath();
}

QString FileInfo::pathExtension() const
{
    return QFile::decodeName(FilePath::pathExtension(resourceValue_.path));
}

FileType FileInfo::fileType() const
{
    if (typeKnown_.load(std::memory_order_acquire)) {
        return fileType_.load(std::memory_order_relaxed);
    }
    const FileType type = fileTypeOfPath(resourceValue_.path);
    fileType_.store(type, std::memory_order_relaxed);
    typeKnown_.store(true, std::memory_order_release);
    return type;
}

void FileInfo::setFileType(FileType type)
{
    fileType_.store(type, std::memory_order_relaxed);
    typeKnown_.store(true, std::memory_order_release);
}

bool FileInfo::isLocal() const
{
    return resourceValue_.resourceValues.volumeIsLocal;
}

std::optional<Error> FileInfo::removeError() const
{
    std::lock_guard lock(errorMutex_);
    return removeError_ ? std::optional<Error>(*removeError_) : std::nullopt;
}

void FileInfo::setRemoveError(std::optional<Error> error)
{
    std::lock_guard lock(errorMutex_);
    removeError_ = error ? std::make_unique<const Error>(std::move(*error)) : nullptr;
}

QIcon FileInfo::icon() const
{
    IconCache& cache = iconCache();
    std::lock_guard lock(cache.mutex);
    const QString key = pathExtension();
    auto it = cache.icons.constFind(key);
    if (it != cache.icons.constEnd()) {
        return *it;
    }
    QIcon icon = lookUpIcon(*this);
    cache.icons.insert(key, icon);
    return icon;
}

void FileInfo::prepareIconLookups()
{
    IconCache& cache = iconCache();
    std::lock_guard lock(cache.mutex);
    // Loads the type database and the icon theme once; caches no extension.
    mimeDatabase().mimeTypeForName(QStringLiteral("inode/directory"));
    QIcon::fromTheme(QStringLiteral("text-x-generic"));
}

qsizetype FileInfo::cachedIconCount()
{
    IconCache& cache = iconCache();
    std::lock_guard lock(cache.mutex);
    return cache.icons.size();
}

void FileInfo::clearIconCacheForTesting()
{
    IconCache& cache = iconCache();
    std::lock_guard lock(cache.mutex);
    cache.icons.clear();
}

bool operator==(const FileInfo& a, const FileInfo& b)
{
    return a.path() == b.path();
}

bool operator<(const FileInfo& a, const FileInfo& b)
{
    return pathLessThan(a.path(), b.path());
}
