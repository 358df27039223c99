// The generic previewer's loading and the artwork reader, on files made
// here.

#include "QLAudioArtwork.h"
#include "QLPreview.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/stat.h>

#include <gtest/gtest.h>

using QuickLook::PreviewContent;

namespace {

QByteArray pngBytes(const QColor& color, int side = 8)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray syncsafe(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[3 - i] = char(value & 0x7f);
        value >>= 7;
    }
    return bytes;
}

QByteArray id3v23(const QList<QPair<int, QByteArray>>& pictures)
{
    QByteArray frames;
    for (const auto& picture : pictures) {
        const QByteArray body = QByteArray(1, '\0') + "image/png" + QByteArray(1, '\0') + char(picture.first) +
                                "desc" + QByteArray(1, '\0') + picture.second;
        frames += "APIC" + be32(quint32(body.size())) + QByteArray(2, '\0') + body;
    }
    return "ID3" + QByteArray("\x03\x00\x00", 3) + syncsafe(quint32(frames.size())) + frames;
}

QByteArray flacPictureBlock(int type, const QByteArray& image)
{
    return be32(quint32(type)) + be32(9) + "image/png" + be32(0) + be32(8) + be32(8) + be32(24) + be32(0) +
           be32(quint32(image.size())) + image;
}

QByteArray flacFile(const QList<QPair<int, QByteArray>>& pictures)
{
    QByteArray file = "fLaC";
    file += char(0) + QByteArray("\x00\x00\x22", 3) + QByteArray(34, '\0');  // STREAMINFO
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QByteArray block = flacPictureBlock(pictures[i].first, pictures[i].second);
        const bool last = i + 1 == pictures.size();
        QByteArray header = be32(quint32(block.size()));
        header[0] = char((last ? 0x80 : 0) | 6);
        file += header + block;
    }
    return file;
}

QByteArray box(const QByteArray& type, const QByteArray& body)
{
    return be32(quint32(8 + body.size())) + type + body;
}

QByteArray mp4File(const QByteArray& image)
{
    const QByteArray data = box("data", be32(14) + be32(0) + image);
    const QByteArray meta = box("meta", QByteArray(4, '\0') + box("hdlr", QByteArray(25, '\0')) +
                                            box("ilst", box("covr", data)));
    return box("ftyp", "M4A " + be32(0)) + box("mdat", QByteArray(100, 'x')) + box("moov", box("udta", meta));
}

QByteArray oggPage(const QByteArray& packet, int sequence)
{
    QByteArray lacing;
    qsizetype left = packet.size();
    while (left >= 255) {
        lacing += char(255);
        left -= 255;
    }
    lacing += char(left);
    return "OggS" + QByteArray(1, '\0') + QByteArray(1, '\0') + QByteArray(8, '\0') + le32(1) +
           le32(quint32(sequence)) + le32(0) + char(lacing.size()) + lacing + packet;
}

QByteArray oggVorbis(const QByteArray& image)
{
    const QByteArray comment = "METADATA_BLOCK_PICTURE=" + flacPictureBlock(3, image).toBase64();
    const QByteArray comments = "\x03vorbis" + le32(6) + "vendor" + le32(2) + le32(11) + "TITLE=tone!" +
                                le32(quint32(comment.size())) + comment;
    return oggPage("\x01vorbis" + QByteArray(23, '\0'), 0) + oggPage(comments, 1);
}

QColor centre(const QImage& image)
{
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

TEST(QLAudioArtworkTest, EachTagFormatGivesItsFrontCover)
{
    const QByteArray red = pngBytes(Qt::red);
    const QByteArray blue = pngBytes(Qt::blue);
    // The front cover (type 3) wins over a picture listed before it.
    EXPECT_EQ(centre(QuickLook::audioArtworkFromData(id3v23({{0, blue}, {3, red}}) + QByteArray(64, '\xff'))),
              QColor(Qt::red));
    EXPECT_EQ(centre(QuickLook::audioArtworkFromData(id3v23({{0, blue}}))), QColor(Qt::blue));
    EXPECT_EQ(centre(QuickLook::audioArtworkFromData(flacFile({{5, blue}, {3, red}}))), QColor(Qt::red));
    EXPECT_EQ(centre(QuickLook::audioArtworkFromData(mp4File(red))), QColor(Qt::red));
    EXPECT_EQ(centre(QuickLook::audioArtworkFromData(oggVorbis(blue))), QColor(Qt::blue));
    EXPECT_TRUE(QuickLook::audioArtworkFromData(id3v23({})).isNull());
    EXPECT_TRUE(QuickLook::audioArtworkFromData("RIFF....WAVEfmt ").isNull());
}

// Every cut of a valid tag, and every byte of it spoiled, is read without
// going past the data (the address sanitizer watches).
TEST(QLAudioArtworkTest, TruncatedAndDamagedTagsAreSafe)
{
    const QByteArray image = pngBytes(Qt::green, 4);
    for (const QByteArray& valid : {id3v23({{3, image}}), flacFile({{3, image}}), mp4File(image), oggVorbis(image)}) {
        for (qsizetype cut = 0; cut < valid.size(); ++cut) {
            QuickLook::audioArtworkFromData(valid.left(cut));
        }
        for (qsizetype at = 0; at < qMin<qsizetype>(valid.size(), 120); ++at) {
            QByteArray spoiled = valid;
            spoiled[at] = char(0xff);
            QuickLook::audioArtworkFromData(spoiled);
            spoiled[at] = char(0x7f);
            QuickLook::audioArtworkFromData(spoiled);
        }
    }
}

TEST(QLAudioArtworkTest, FilesAreReadOnlyWhereTheTagsLie)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("song.m4a"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(mp4File(pngBytes(Qt::red)));
    file.close();
    EXPECT_EQ(centre(QuickLook::audioArtwork(QFile::encodeName(path))), QColor(Qt::red));
    const QString flac = dir.filePath(QStringLiteral("song.flac"));
    QFile second(flac);
    ASSERT_TRUE(second.open(QIODevice::WriteOnly));
    second.write(flacFile({{3, pngBytes(Qt::blue)}}) + QByteArray(4096, 'a'));
    second.close();
    EXPECT_EQ(centre(QuickLook::audioArtwork(QFile::encodeName(flac))), QColor(Qt::blue));
    EXPECT_TRUE(QuickLook::audioArtwork(QFile::encodeName(dir.filePath(QStringLiteral("missing.mp3")))).isNull());
}

class QLPreviewTest : public ::testing::Test {
protected:
    QByteArray write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return QFile::encodeName(path);
    }
    QTemporaryDir dir;
};

TEST_F(QLPreviewTest, TextShowsItsBeginning)
{
    const PreviewContent small = QuickLook::loadPreview(write(QStringLiteral("a.txt"), "héllo\nworld\n"), QSize(300, 200));
    EXPECT_EQ(small.kind, PreviewContent::Kind::text);
    EXPECT_EQ(small.text, QStringLiteral("héllo\nworld\n"));
    EXPECT_FALSE(small.textTruncated);
    const PreviewContent big =
        QuickLook::loadPreview(write(QStringLiteral("b.log"), QByteArray(QuickLook::kPreviewTextBytes + 10, 'x')), QSize(300, 200));
    EXPECT_EQ(big.kind, PreviewContent::Kind::text);
    EXPECT_EQ(big.text.size(), QuickLook::kPreviewTextBytes);
    EXPECT_TRUE(big.textTruncated);
}

TEST_F(QLPreviewTest, PicturesSvgAndPdfPagesAreFittedIntoTheView)
{
    const PreviewContent png = QuickLook::loadPreview(write(QStringLiteral("p.png"), pngBytes(Qt::red, 800)), QSize(200, 100));
    ASSERT_EQ(png.kind, PreviewContent::Kind::image);
    EXPECT_LE(png.image.width(), 200);
    EXPECT_LE(png.image.height(), 100);

    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20'>"
                           "<rect width='40' height='20' fill='#00ff00'/></svg>";
    const PreviewContent drawing = QuickLook::loadPreview(write(QStringLiteral("d.svg"), svg), QSize(200, 200), 2.0);
    ASSERT_EQ(drawing.kind, PreviewContent::Kind::image);
    EXPECT_EQ(drawing.image.size(), QSize(400, 200));
    EXPECT_EQ(centre(drawing.image), QColor(Qt::green));

    const QString pdf = dir.filePath(QStringLiteral("doc.pdf"));
    {
        QPdfWriter writer(pdf);
        QPainter painter(&writer);
        painter.fillRect(QRect(0, 0, writer.width(), writer.height()), Qt::blue);
    }
    const PreviewContent page = QuickLook::loadPreview(QFile::encodeName(pdf), QSize(300, 300));
    ASSERT_EQ(page.kind, PreviewContent::Kind::image);
    EXPECT_LE(page.image.height(), 300);
    EXPECT_GT(page.image.height(), 250);
    EXPECT_EQ(centre(page.image), QColor(Qt::blue));
}

TEST_F(QLPreviewTest, EverythingElseIsACardAndNothingBlocks)
{
    const PreviewContent blob = QuickLook::loadPreview(write(QStringLiteral("x.bin"), QByteArray("\x00\x01\x02", 3)), QSize(100, 100));
    EXPECT_EQ(blob.kind, PreviewContent::Kind::card);
    EXPECT_EQ(blob.name, QStringLiteral("x.bin"));
    EXPECT_EQ(blob.size, 3u);
    // A damaged PDF or picture is a card too.
    EXPECT_EQ(QuickLook::loadPreview(write(QStringLiteral("bad.pdf"), "%PDF-1.4 broken"), QSize(100, 100)).kind,
              PreviewContent::Kind::card);
    EXPECT_EQ(QuickLook::loadPreview(write(QStringLiteral("bad.png"), "\x89PNG nope"), QSize(100, 100)).kind,
              PreviewContent::Kind::card);
    // A large file named as a PDF without being one is not read through.
    const QString hollow = dir.filePath(QStringLiteral("hollow.pdf"));
    {
        QFile file(hollow);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(qint64(256) << 20));
    }
    const qint64 before = bytesReadSoFar();
    EXPECT_EQ(QuickLook::loadPreview(QFile::encodeName(hollow), QSize(100, 100)).kind, PreviewContent::Kind::card);
    if (before >= 0) {
        EXPECT_LT(bytesReadSoFar() - before, qint64(1) << 20);
    }
    const PreviewContent missing = QuickLook::loadPreview(QFile::encodeName(dir.filePath(QStringLiteral("gone.txt"))), QSize(100, 100));
    EXPECT_EQ(missing.kind, PreviewContent::Kind::card);
    EXPECT_FALSE(missing.size.has_value()) << "a file that is gone has no size, not 0 bytes";
    // A FIFO is never opened for reading.
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe.txt")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    EXPECT_EQ(QuickLook::loadPreview(fifo, QSize(100, 100)).kind, PreviewContent::Kind::card);
    EXPECT_EQ(QuickLook::loadPreview(QByteArray(), QSize(100, 100)).kind, PreviewContent::Kind::none);
    EXPECT_EQ(QuickLook::loadPreview(write(QStringLiteral("s.mp3"), QByteArray(64, '\0')), QSize(100, 100)).kind,
              PreviewContent::Kind::media);
}

}  // namespace
