#include "Lottie/Animation.h"
#include "Lottie/LRUAnimationCache.h"

#include "Foundation/Bundle.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

QString shipped(const char* name)
{
    return Bundle::main().pathForResource(QStringLiteral("LottieAnimation/%1/data").arg(QLatin1String(name)),
                                          QStringLiteral("json"));
}

// Answers every asset with one solid colour, and counts the questions.
class SolidProvider : public Lottie::AnimationImageProvider {
public:
    explicit SolidProvider(QColor color)
        : color_(color)
    {
    }
    QImage imageForAsset(const Lottie::ImageAsset& asset) override
    {
        asked.append(asset);
        if (!color_.isValid()) {
            return {};
        }
        QImage image(asset.width, asset.height, QImage::Format_ARGB32_Premultiplied);
        image.fill(color_);
        return image;
    }
    QList<Lottie::ImageAsset> asked;

private:
    QColor color_;
};

QColor pixel(const QImage& image, int x, int y)
{
    return QColor::fromRgba(image.pixel(x, y));
}

}  // namespace

TEST(LottieAnimation, ShippedAnimationsLoadWithTheirTimings)
{
    const auto wastebasket = Lottie::Animation::filepath(shipped("Wastebasket"));
    ASSERT_TRUE(wastebasket);
    // Played once when a removal ends: about one and a half seconds.
    EXPECT_NEAR(wastebasket->duration(), 1.5, 0.25);
    ASSERT_FALSE(wastebasket->imageAssets().isEmpty());
    EXPECT_EQ(wastebasket->imageAssets().first().directory, QStringLiteral("images/"));

    const auto loading = Lottie::Animation::filepath(shipped("Loading"));
    ASSERT_TRUE(loading);
    EXPECT_GT(loading->duration(), 0.5);
}

TEST(LottieAnimation, LoadingLoopsSeamlessly)
{
    // The last frame leads back into the first without a jump.
    const auto loading = Lottie::Animation::filepath(shipped("Loading"));
    ASSERT_TRUE(loading);
    const auto renderer = loading->makeRenderer(nullptr);
    ASSERT_TRUE(renderer);
    const QImage first = renderer->render(0, QSize(120, 120));
    const QImage last = renderer->render(renderer->totalFrame() - 1, QSize(120, 120));
    int differing = 0;
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 120; ++x) {
            const QColor a = pixel(first, x, y);
            const QColor b = pixel(last, x, y);
            if (qAbs(a.alpha() - b.alpha()) > 96) {
                ++differing;
            }
        }
    }
    EXPECT_LT(differing, 120 * 120 / 50);
}

TEST(LottieAnimation, MissingEmptyAndBadFilesGiveNoAnimation)
{
    EXPECT_FALSE(Lottie::Animation::filepath(QString()));
    EXPECT_FALSE(Lottie::Animation::filepath(QStringLiteral("/nonexistent/data.json")));

    QTemporaryDir dir;
    const auto write = [&](const char* name, const QByteArray& contents) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return file.fileName();
    };
    EXPECT_FALSE(Lottie::Animation::filepath(write("garbage.json", "not json at all")));
    EXPECT_FALSE(Lottie::Animation::filepath(write("array.json", "[1, 2, 3]")));
    // Valid JSON, but no frames to show.
    EXPECT_FALSE(Lottie::Animation::filepath(
        write("noframes.json", R"({"v":"5.7.4","fr":30,"ip":10,"op":10,"w":10,"h":10,"layers":[]})")));
    EXPECT_FALSE(Lottie::Animation::filepath(write("nosize.json", R"({"fr":30,"ip":0,"op":10,"layers":[]})")));
    // A folder is not a file.
    EXPECT_FALSE(Lottie::Animation::filepath(dir.path()));

    Lottie::LRUAnimationCache cache;
    EXPECT_FALSE(Lottie::Animation::filepath(dir.filePath(QStringLiteral("garbage.json")), &cache));
    EXPECT_EQ(cache.count(), 0);
}

TEST(LottieAnimation, CacheParsesEachPathOnceAndForgetsTheLeastRecent)
{
    Lottie::LRUAnimationCache cache(2);
    const auto first = Lottie::Animation::filepath(shipped("Wastebasket"), &cache);
    const auto again = Lottie::Animation::filepath(shipped("Wastebasket"), &cache);
    ASSERT_TRUE(first);
    EXPECT_EQ(first.get(), again.get());
    EXPECT_EQ(cache.count(), 1);
    // Without a cache every load parses anew.
    EXPECT_NE(Lottie::Animation::filepath(shipped("Wastebasket")).get(), first.get());

    const auto loading = Lottie::Animation::filepath(shipped("Loading"), &cache);
    // Use the wastebasket again, so the loading animation is the oldest.
    EXPECT_EQ(cache.animation(first->path()).get(), first.get());
    QTemporaryDir dir;
    QFile::copy(shipped("Loading"), dir.filePath(QStringLiteral("data.json")));
    ASSERT_TRUE(Lottie::Animation::filepath(dir.filePath(QStringLiteral("data.json")), &cache));
    EXPECT_EQ(cache.count(), 2);
    EXPECT_FALSE(cache.animation(loading->path()));
    EXPECT_TRUE(cache.animation(first->path()));

    cache.clearCache();
    EXPECT_EQ(cache.count(), 0);
}

TEST(LottieAnimation, ImagesComeFromTheProviderOrTheAnimationsFolder)
{
    const auto wastebasket = Lottie::Animation::filepath(shipped("Wastebasket"));
    ASSERT_TRUE(wastebasket);
    const Lottie::ImageAsset asset = wastebasket->imageAssets().first();
    const QSize size(200, 200);
    const auto lastFrame = [&](const std::shared_ptr<Lottie::AnimationRenderer>& renderer) {
        return renderer->render(renderer->totalFrame() - 1, size);
    };
    // A point inside the basket's body, clear of the lid, papers and badge.
    const int x = 66;
    const int y = 120;

    SolidProvider red(Qt::red);
    const QImage withRed = lastFrame(wastebasket->makeRenderer(&red));
    ASSERT_EQ(red.asked.size(), 1);
    EXPECT_EQ(red.asked.first().name, asset.name);
    EXPECT_EQ(red.asked.first().width, asset.width);
    EXPECT_GT(pixel(withRed, x, y).red(), 200);
    EXPECT_LT(pixel(withRed, x, y).blue(), 60);

    // No provider: the file of the animation's images folder (a blue basket).
    const QImage fromFolder = lastFrame(wastebasket->makeRenderer(nullptr));
    EXPECT_GT(pixel(fromFolder, x, y).blue(), 150);
    EXPECT_LT(pixel(fromFolder, x, y).red(), 150);

    // A provider that has no image leaves the asset empty.
    SolidProvider none{QColor()};
    const QImage empty = lastFrame(wastebasket->makeRenderer(&none));
    EXPECT_EQ(pixel(empty, x, y).alpha(), 0);
}

TEST(LottieAnimation, AssetFilesOutsideTheAnimationsFolderAreNotRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("anim")));
    QImage outside(20, 20, QImage::Format_ARGB32);
    outside.fill(Qt::green);
    ASSERT_TRUE(outside.save(dir.filePath(QStringLiteral("secret.png"))));
    QFile file(dir.filePath(QStringLiteral("anim/data.json")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"v":"5.7.4","fr":30,"ip":0,"op":10,"w":20,"h":20,"ddd":0,
      "assets":[{"id":"i","w":20,"h":20,"u":"../","p":"secret.png","e":0}],
      "layers":[{"ddd":0,"ind":1,"ty":2,"refId":"i","sr":1,"ks":{"o":{"a":0,"k":100},"r":{"a":0,"k":0},
      "p":{"a":0,"k":[10,10,0]},"a":{"a":0,"k":[10,10,0]},"s":{"a":0,"k":[100,100,100]}},"ao":0,"ip":0,"op":10,"st":0,"bm":0}]})");
    file.close();
    const auto animation = Lottie::Animation::filepath(file.fileName());
    ASSERT_TRUE(animation);
    const QImage frame = animation->makeRenderer(nullptr)->render(0, QSize(20, 20));
    EXPECT_EQ(pixel(frame, 10, 10).alpha(), 0);
}

TEST(LottieAnimation, RendersAtAnyPixelSizeKeepingTheAspect)
{
    const auto wastebasket = Lottie::Animation::filepath(shipped("Wastebasket"));
    ASSERT_TRUE(wastebasket);
    const auto renderer = wastebasket->makeRenderer(nullptr);
    const size_t last = renderer->totalFrame() - 1;
    const QImage one = renderer->render(last, QSize(100, 100));
    const QImage two = renderer->render(last, QSize(200, 200));
    ASSERT_EQ(two.size(), QSize(200, 200));
    // The same picture, twice as fine.
    EXPECT_NEAR(pixel(one, 33, 60).blue(), pixel(two, 66, 120).blue(), 24);
    // A wide surface keeps the square animation square and centred: the
    // margins left and right stay empty.
    const QImage wide = renderer->render(last, QSize(300, 100));
    EXPECT_EQ(pixel(wide, 10, 60).alpha(), 0);
    EXPECT_EQ(pixel(wide, 290, 60).alpha(), 0);
    EXPECT_GT(pixel(wide, 133, 60).alpha(), 200);
    EXPECT_TRUE(renderer->render(last, QSize()).isNull());
}

// rlottie loads an image loader of its own at run time. Unloaded again as
// the program ends, under worker threads that still hold storage of it, it
// makes a leak check at exit read freed memory; it stays loaded instead.
TEST(LottieAnimation, RlottiesImageLoaderIsNotUnloadedAtTheProgramsEnd)
{
    QTemporaryDir trace;
    ASSERT_TRUE(trace.isValid());
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    environment.insert(QStringLiteral("LD_DEBUG_OUTPUT"), trace.filePath(QStringLiteral("ld")));
    probe.setProcessEnvironment(environment);
    // Its images are what rlottie needs the loader for.
    probe.start(QStringLiteral(LOTTIE_PROBE_PATH), {shipped("Wastebasket")});
    ASSERT_TRUE(probe.waitForFinished(60000));
    ASSERT_EQ(probe.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();

    QByteArray log;
    for (const QString& name : QDir(trace.path()).entryList(QDir::Files)) {
        QFile file(trace.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        log += file.readAll();
    }
    if (!log.contains("/rlottie/image-loader.so")) {
        GTEST_SKIP() << "this rlottie loads no image loader";
    }
    EXPECT_FALSE(log.contains("/rlottie/image-loader.so [0];  destroying link map"));
}
