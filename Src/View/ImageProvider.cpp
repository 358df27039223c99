#include "ImageProvider.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>

ImageProvider::ImageProvider(const QString& filepath)
    : filepath_(QUrl::fromLocalFile(filepath))
{
    const QDir folder(filepath);
    if (filepath.isEmpty() || !folder.exists()) {
        return;
    }
    QDirIterator it(filepath, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString full = it.next();
        const QString subPath = folder.relativeFilePath(full);
        // Only regular files are opened: a pipe or a device named like an
        // image would block or never end.
        if (!it.fileInfo().isFile()) {
            continue;
        }
        QImageReader reader(full);
        const QImage image = reader.read();
        if (image.isNull()) {
            continue;
        }
        const QImage bitmap = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (bitmap.isNull()) {
            images_.remove(subPath);
        } else {
            images_.insert(subPath, bitmap);
        }
    }
}

QImage ImageProvider::imageForAsset(const Lottie::ImageAsset& asset)
{
    const QString folder = filepath_.toLocalFile();
    if (folder.isEmpty() || asset.name.isEmpty()) {
        return {};
    }
    const QString direct = QDir(folder).filePath(asset.name);
    if (QFileInfo::exists(direct)) {
        return images_.value(asset.name);
    }
    const QString nested = QDir(QDir(folder).filePath(asset.directory)).filePath(asset.name);
    if (QFileInfo::exists(nested)) {
        return images_.value(asset.name);
    }
    return {};
}
