#include "QLPreview.h"

#include "QLFile.h"
#include "QLThumbnail.h"

#include <QFile>
#include <QMimeDatabase>
#include <QPainter>
#include <QStringDecoder>
#include <QSvgRenderer>

#include <poppler-qt6.h>

namespace QuickLook {

namespace {

// SVG files are read whole; beyond this they are shown as a card.
constexpr qint64 kSvgBytes = 32 * 1024 * 1024;

QSize pixelBox(const QSize& viewSize, qreal scale)
{
    return QSize(qMax(1, qRound(viewSize.width() * scale)), qMax(1, qRound(viewSize.height() * scale)));
}

bool looksBinary(const QByteArray& head)
{
    return head.contains('\0');
}

QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    // A cut at the end of the read may split a character; anything else
    // that is not UTF-8 is shown as Latin-1 rather than not at all.
    QStringDecoder retry(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = retry.decode(bytes.left(qMax<qsizetype>(0, bytes.size() - 3)));
    if (!retry.hasError()) {
        return text;
    }
    return QString::fromLatin1(bytes);
}

QImage renderSvg(QFile& file, const QSize& box, qreal scale)
{
    if (file.size() > kSvgBytes) {
        return {};
    }
    QSvgRenderer renderer(file.readAll());
    if (!renderer.isValid()) {
        return {};
    }
    QSize size = renderer.defaultSize();
    if (size.isEmpty()) {
        size = box;
    }
    size = size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    image.setDevicePixelRatio(scale);
    return image;
}

QImage renderPdfFirstPage(QFile& file, const QSize& box, qreal scale)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(&file);
    if (!document || document->isLocked() || document->numPages() < 1) {
        return {};
    }
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    std::unique_ptr<Poppler::Page> page = document->page(0);
    if (!page) {
        return {};
    }
    const QSizeF points = page->pageSizeF();  // 1/72 inch
    if (points.isEmpty()) {
        return {};
    }
    const QSizeF fitted = points.scaled(QSizeF(box), Qt::KeepAspectRatio);
    const double dpi = 72.0 * fitted.width() / points.width();
    QImage image = page->renderToImage(dpi, dpi);
    if (image.isNull()) {
        return {};
    }
    image.setDevicePixelRatio(scale);
    return image;
}

}  // namespace

PreviewContent loadPreview(const QByteArray& path, const QSize& viewSize, qreal scale)
{
    PreviewContent content;
    if (path.isEmpty()) {
        return content;
    }
    const QString name = QFile::decodeName(path.mid(path.lastIndexOf('/') + 1));
    content.kind = PreviewContent::Kind::card;
    content.name = name;

    QFile file;
    const bool readable = openRegularFile(path, file);
    QByteArray head;
    if (readable) {
        content.size = uint64_t(qMax<qint64>(0, file.size()));
        head = file.peek(kPreviewTextBytes);
    }
    static const QMimeDatabase database;
    const QMimeType mime = readable ? database.mimeTypeForFileNameAndData(name, head)
                                    : database.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    content.typeDescription = mime.comment();
    content.iconName = mime.iconName();
    content.genericIconName = mime.genericIconName();
    if (!readable) {
        return content;
    }

    const QSize box = pixelBox(viewSize.isEmpty() ? QSize(400, 300) : viewSize, scale);
    const QString type = mime.name();
    if (type.startsWith(QLatin1String("video/")) || type.startsWith(QLatin1String("audio/"))) {
        content.kind = PreviewContent::Kind::media;
        return content;
    }
    if (mime.inherits(QStringLiteral("image/svg+xml"))) {
        content.image = renderSvg(file, box, scale);
    } else if (mime.inherits(QStringLiteral("application/pdf"))) {
        // A file named as a PDF without the signature in its first kilobyte
        // (where readers look for it) is no PDF: the library would rebuild
        // it by scanning every byte, gigabytes for a large one, holding a
        // worker and the program's end for as long.
        if (head.left(1024).contains("%PDF-")) {
            content.image = renderPdfFirstPage(file, box, scale);
        }
    } else if (mime.name().startsWith(QLatin1String("image/"))) {
        file.close();
        content.image = thumbnailImage(path, viewSize.isEmpty() ? QSize(400, 300) : viewSize, scale);
    } else if (mime.inherits(QStringLiteral("text/plain")) && !looksBinary(head)) {
        content.kind = PreviewContent::Kind::text;
        content.text = decodeText(head);
        content.textTruncated = *content.size > uint64_t(head.size());
        return content;
    }
    if (!content.image.isNull()) {
        content.kind = PreviewContent::Kind::image;
    }
    return content;
}

}  // namespace QuickLook
