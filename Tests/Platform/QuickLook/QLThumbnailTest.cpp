// Thumbnails and sizes through Qt's readers, with OpenCV for the rest.
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ImageSet.h"
#include "QLThumbnail.h"

namespace {

class QLThumbnailTest : public ::testing::Test {
protected:
    QByteArray write(const char* name, cv::Size size)
    {
        const QByteArray path = QFile::encodeName(dir_.path()) + "/" + name;
        EXPECT_TRUE(imageset::write(path.toStdString(), imageset::makeBase(imageset::Kind::shapes, 1, size)));
        return path;
    }
    QTemporaryDir dir_;
};

TEST_F(QLThumbnailTest, thumbnailsFitTheBoxAndKeepTheShape)
{
    const QByteArray wide = write("wide.png", {800, 400});
    const QImage image = QuickLook::thumbnailImage(wide, QSize(60, 90), 1.0);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(60, 30));

    const QImage sharp = QuickLook::thumbnailImage(wide, QSize(60, 90), 2.0);
    EXPECT_EQ(sharp.size(), QSize(120, 60));
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);

    // A small image is not blown up.
    const QByteArray tiny = write("tiny.jpg", {20, 10});
    EXPECT_EQ(QuickLook::thumbnailImage(tiny, QSize(60, 90)).size(), QSize(20, 10));
    EXPECT_EQ(QuickLook::imageDimensions(wide), QSize(800, 400));
}

TEST_F(QLThumbnailTest, formatsQtCannotReadComeThroughOpenCV)
{
    const QByteArray raster = write("sun.ras", {300, 200});
    EXPECT_EQ(QuickLook::imageDimensions(raster), QSize(300, 200));
    const QImage image = QuickLook::thumbnailImage(raster, QSize(60, 90));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(60, 40));
}

TEST_F(QLThumbnailTest, oddNamesNonImagesAndSpecialFiles)
{
    const QByteArray odd = write("caf\xe9.png", {100, 50});
    EXPECT_EQ(QuickLook::imageDimensions(odd), QSize(100, 50));
    EXPECT_FALSE(QuickLook::thumbnailImage(odd, QSize(60, 90)).isNull());

    const QByteArray text = QFile::encodeName(dir_.path()) + "/notes.png";
    QFile file(QFile::decodeName(text));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not an image");
    file.close();
    EXPECT_FALSE(QuickLook::imageDimensions(text).has_value());
    EXPECT_TRUE(QuickLook::thumbnailImage(text, QSize(60, 90)).isNull());

    // A FIFO is never opened for reading (which would block).
    const QByteArray fifo = QFile::encodeName(dir_.path()) + "/pipe.png";
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    EXPECT_FALSE(QuickLook::imageDimensions(fifo).has_value());
    EXPECT_TRUE(QuickLook::thumbnailImage(fifo, QSize(60, 90)).isNull());
    EXPECT_FALSE(QuickLook::imageDimensions(QFile::encodeName(dir_.path()) + "/missing.png").has_value());
}

}  // namespace
