#include "View/ImageProvider.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

class ImageProviderTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        folder = scratch() + QStringLiteral("/images");
        ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub")));
    }

    void writeImage(const QString& relative, QColor color)
    {
        QImage image(8, 6, QImage::Format_ARGB32);
        image.fill(color);
        ASSERT_TRUE(image.save(folder + QLatin1Char('/') + relative, "PNG"));
    }

    static Lottie::ImageAsset asset(const QString& name, const QString& directory = QStringLiteral("images/"))
    {
        return Lottie::ImageAsset{QStringLiteral("image_0"), name, directory, 8, 6};
    }

    QString folder;
};

}  // namespace

TEST_F(ImageProviderTest, StoresEveryImageUnderItsRelativePath)
{
    writeImage(QStringLiteral("img_0.png"), Qt::red);
    writeImage(QStringLiteral("sub/img_1.png"), Qt::blue);
    // Decoded by content, whatever the name says.
    writeImage(QStringLiteral("noextension"), Qt::green);
    writeFile(QStringLiteral("scratch/images/notes.png"), "this is no picture");
    writeFile(QStringLiteral("scratch/images/readme.txt"), "text");

    ImageProvider provider(folder);
    EXPECT_EQ(provider.filepath(), QUrl::fromLocalFile(folder));
    const QStringList keys = [&] {
        QStringList list = provider.images().keys();
        list.sort();
        return list;
    }();
    EXPECT_EQ(keys, (QStringList{QStringLiteral("img_0.png"), QStringLiteral("noextension"),
                                 QStringLiteral("sub/img_1.png")}));
    EXPECT_EQ(provider.images().value(QStringLiteral("sub/img_1.png")).pixelColor(0, 0), QColor(Qt::blue));

    const QImage served = provider.imageForAsset(asset(QStringLiteral("img_0.png")));
    ASSERT_FALSE(served.isNull());
    EXPECT_EQ(served.size(), QSize(8, 6));
    EXPECT_EQ(served.pixelColor(3, 3), QColor(Qt::red));
}

TEST_F(ImageProviderTest, AnImageOnlyInASubFolderIsNotServed)
{
    writeImage(QStringLiteral("sub/img_1.png"), Qt::blue);
    ImageProvider provider(folder);
    // The file lies at folder + directory + name, but is stored under its
    // relative path, not under the name asked for.
    EXPECT_TRUE(provider.imageForAsset(asset(QStringLiteral("img_1.png"), QStringLiteral("sub/"))).isNull());
    EXPECT_TRUE(provider.imageForAsset(asset(QStringLiteral("img_1.png"))).isNull());

    // With a file of that name directly in the folder as well, that one is served.
    writeImage(QStringLiteral("img_1.png"), Qt::red);
    ImageProvider both(folder);
    EXPECT_EQ(both.imageForAsset(asset(QStringLiteral("img_1.png"), QStringLiteral("sub/"))).pixelColor(0, 0),
              QColor(Qt::red));
}

TEST_F(ImageProviderTest, MissingFoldersNamesAndSpecialFilesGiveNoImage)
{
    EXPECT_TRUE(ImageProvider(scratch() + QStringLiteral("/missing")).images().isEmpty());
    EXPECT_TRUE(ImageProvider(scratch() + QStringLiteral("/missing")).imageForAsset(asset(QStringLiteral("a.png"))).isNull());
    EXPECT_TRUE(ImageProvider(QString()).imageForAsset(asset(QStringLiteral("a.png"))).isNull());

    writeImage(QStringLiteral("img_0.png"), Qt::red);
    // A pipe named like an image must not be opened: reading it would block.
    ASSERT_EQ(mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe.png")).constData(), 0600), 0);
    ImageProvider provider(folder);
    EXPECT_EQ(provider.images().size(), 1);
    EXPECT_TRUE(provider.imageForAsset(asset(QStringLiteral("absent.png"))).isNull());
    EXPECT_TRUE(provider.imageForAsset(asset(QString())).isNull());
}
