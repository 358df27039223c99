#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include <QIcon>
#include <QString>
#include <QUrl>

#include "Foundation/Error.h"
#include "Model/FileType.h"
#include "Model/ResourceValueURL.h"

// One scanned file, shared by the engine, its group and the screens. Size and
// kind are read on first use and cached. The flags may be read and written
// from any thread.
class FileInfo {
public:
    explicit FileInfo(ResourceValueURL resourceValue);
    virtual ~FileInfo() = default;
    FileInfo(const FileInfo&) = delete;
    FileInfo& operator=(const FileInfo&) = delete;

    const ResourceValueURL& resourceValue() const { return resourceValue_; }
    // The very item the scan recorded: a removal acts on nothing else.
    ItemIdentity identity() const { return resourceValue_.resourceValues.identity(); }

    virtual QUrl url() const;
    // The size in bytes: lstat of the path on first read, 0 when the item is
    // gone or cannot be examined; later reads never touch the disk.
    virtual uint64_t size() const;
    virtual void setSize(uint64_t size);
    // The last path component, decoded for showing.
    virtual QString name() const;
    // The path as the system's bytes; use it to reach the file.
    virtual QByteArray path() const;
    // The path decoded for showing only.
    QString displayPath() const;
    // The extension as written (case kept), "" when none.
    virtual QString pathExtension() const;
    virtual FileType fileType() const;
    virtual void setFileType(FileType type);
    virtual bool isLocal() const;
    virtual bool selected() const { return selected_.load(); }
    virtual void setSelected(bool selected) { selected_.store(selected); }
    virtual bool deleted() const { return deleted_.load(); }
    virtual void setDeleted(bool deleted) { deleted_.store(deleted); }
    virtual std::optional<Error> removeError() const;
    virtual void setRemoveError(std::optional<Error> error);

    // The icon of the file's type, shared by every file with the same
    // extension string (the first such file decides). Safe from any thread;
    // nothing is rendered here.
    virtual QIcon icon() const;
    // Readies what icon lookups need (the type database, the icon theme), so
    // the first lookup of a scan does not hold up the others. Caches nothing.
    static void prepareIconLookups();
    // Number of extension strings in the shared icon cache.
    static qsizetype cachedIconCount();
    static void clearIconCacheForTesting();

private:
    const ResourceValueURL resourceValue_;
    mutable std::atomic<bool> sizeKnown_{false};
    mutable std::atomic<uint64_t> size_{0};
    mutable std::atomic<bool> typeKnown_{false};
    mutable std::atomic<FileType> fileType_{FileType::other};
    std::atomic<bool> selected_{false};
    std::atomic<bool> deleted_{false};
    mutable std::mutex errorMutex_;
    // Held apart: most records never fail, and a scan holds many records.
    std::unique_ptr<const Error> removeError_;
};

using FileInfoPtr = std::shared_ptr<FileInfo>;

// Equal paths (byte strings) make equal records; order is pathLessThan.
bool operator==(const FileInfo& a, const FileInfo& b);
bool operator<(const FileInfo& a, const FileInfo& b);
inline bool operator>(const FileInfo& a, const FileInfo& b) { return b < a; }
inline bool operator<=(const FileInfo& a, const FileInfo& b) { return !(b < a); }
inline bool operator>=(const FileInfo& a, const FileInfo& b) { return !(a < b); }
