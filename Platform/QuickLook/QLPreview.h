#pragma once

#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// The generic previewer: what a file looks like in a preview pane when no
// dedicated viewer takes it. Loading reads the file and may take long (a PDF
// page, a big picture), so it belongs on a worker thread; nothing here
// touches widgets.
namespace QuickLook {

struct PreviewContent {
    enum class Kind {
        none,   // no file given
        text,   // the beginning of a text file
        image,  // a picture, an SVG or the first page of a PDF, fitted to the view
        media,  // a sound or a film the system can play
        card,   // anything else: the file's icon, name and size
    };
    Kind kind = Kind::none;
    QString text;
    // The text stops before the end of the file.
    bool textTruncated = false;
    QImage image;
    // Card (and every kind): the file's name for showing, its size in bytes
    // (none for a file that cannot be read: it may be gone), the type's
    // description and the theme icon names of its type.
    QString name;
    std::optional<uint64_t> size;
    QString typeDescription;
    QString iconName;
    QString genericIconName;
};

// How much of a text file is shown.
inline constexpr qint64 kPreviewTextBytes = 64 * 1024;

// Loads the preview of the file at `path` (the system's bytes) for a view of
// `viewSize` points at `scale` pixels per point. Safe on any thread. Sound
// and film types are left to a player. A file that cannot be read as text,
// image or PDF becomes a card; a missing file too (with size 0).
PreviewContent loadPreview(const QByteArray& path, const QSize& viewSize, qreal scale = 1.0);

}  // namespace QuickLook
