// The file preview on small files of our own: which viewer shows, the
// players, the speed menu, the artwork, and a big picture decoded off the
// main thread.

#include "Model/FileInfo.h"
#include "QuickLook/QLImageView.h"
#include "QuickLook/QLPreviewView.h"
#include "TestSupport.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/FilePreviewView.h"
#include "QuickLook/MediaPlayerView.h"

#include "QVLibrary/RYTDarkMode.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMediaPlayer>
#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QScopeGuard>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

namespace {

const QString kMedia = QStringLiteral(TWINSWEEP_TEST_MEDIA_DIR);

class FilePreviewViewTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        view = std::make_unique<FilePreviewView>();
        view->resize(480, 360);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    void TearDown() override
    {
        view.reset();
        TempHomeTest::TearDown();
    }

    static FileInfoPtr fileAt(const QString& path)
    {
        return std::make_shared<FileInfo>(ResourceValueURL(QFile::encodeName(path), ResourceValues()));
    }
    FileInfoPtr copyOfMedia(const QString& name)
    {
        QFile source(kMedia + QLatin1Char('/') + name);
        EXPECT_TRUE(source.open(QIODevice::ReadOnly)) << name.toStdString();
        return fileAt(writeFile(QStringLiteral("media/") + name, source.readAll()));
    }
    FileInfoPtr png(const QString& name, int width, int height, const QColor& color)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(color);
        const QString path = scratch() + QStringLiteral("/") + name;
        QDir().mkpath(scratch());
        EXPECT_TRUE(image.save(path, "PNG"));
        return fileAt(path);
    }
    // Which of the four viewers shows now.
    QString shown() const
    {
        QStringList names;
        if (view->hasImageView() && view->imageView()->isVisible()) {
            names << QStringLiteral("image");
        }
        if (view->hasPreviewView() && view->previewView()->isVisible()) {
            names << QStringLiteral("preview");
        }
        if (view->hasVideoPlayerView() && view->videoPlayerView()->isVisible()) {
            names << QStringLiteral("video");
        }
        if (view->hasAudioPlayerView() && view->audioPlayerView()->isVisible()) {
            names << QStringLiteral("audio");
        }
        return names.join(QLatin1Char(','));
    }
    bool waitForImage()
    {
        bool shownNow = false;
        auto connection = QObject::connect(view.get(), &FilePreviewView::imageShown, [&] { shownNow = true; });
        const bool ok = waitUntil([&] { return shownNow; });
        QObject::disconnect(connection);
        return ok;
    }

    std::unique_ptr<FilePreviewView> view;
};

TEST_F(FilePreviewViewTest, EachKindGoesToItsViewer)
{
    view->showPreView(*png(QStringLiteral("red.png"), 64, 48, Qt::red));
    EXPECT_EQ(shown(), QStringLiteral("image"));
    ASSERT_TRUE(waitForImage());
    EXPECT_EQ(view->imageView()->image().pixelColor(5, 5), QColor(Qt::red));

    view->showPreView(*copyOfMedia(QStringLiteral("clip.mp4")));
    EXPECT_EQ(shown(), QStringLiteral("video"));
    view->showPreView(*copyOfMedia(QStringLiteral("tone.mp3")));
    EXPECT_EQ(shown(), QStringLiteral("audio"));

    const FileInfoPtr text = fileAt(writeFile(QStringLiteral("notes.txt"), "first line\nsecond line\n"));
    view->showPreView(*text);
    EXPECT_EQ(shown(), QStringLiteral("preview"));
    ASSERT_TRUE(waitUntil([&] { return !view->previewView()->isLoading(); }));
    EXPECT_EQ(view->previewView()->shownKind(), QuickLook::PreviewContent::Kind::text);

    const QString pdfPath = scratch() + QStringLiteral("/page.pdf");
    {
        QPdfWriter writer(pdfPath);
        QPainter painter(&writer);
        painter.fillRect(QRect(0, 0, writer.width(), writer.height() / 2), Qt::blue);
    }
    view->showPreView(*fileAt(pdfPath));
    EXPECT_EQ(shown(), QStringLiteral("preview"));
    ASSERT_TRUE(waitUntil([&] { return !view->previewView()->isLoading(); }));
    EXPECT_EQ(view->previewView()->shownKind(), QuickLook::PreviewContent::Kind::image);

    // WebM is no video by the program's tables; the previewer plays it.
    view->showPreView(*copyOfMedia(QStringLiteral("clip.webm")));
    EXPECT_EQ(shown(), QStringLiteral("preview"));
    ASSERT_TRUE(waitUntil([&] { return !view->previewView()->isLoading(); }));
    EXPECT_EQ(view->previewView()->shownKind(), QuickLook::PreviewContent::Kind::media);
    ASSERT_NE(view->previewView()->mediaView()->player(), nullptr);
    EXPECT_TRUE(waitUntil([&] {
        return view->previewView()->mediaView()->player()->mediaStatus() == QMediaPlayer::LoadedMedia;
    }));

    // A kind of its own ("other") shows as a card.
    view->showPreView(*fileAt(writeFile(QStringLiteral("blob.xyzq"), QByteArray("\x01\x02\x00\x03", 4))));
    EXPECT_EQ(shown(), QStringLiteral("preview"));
    ASSERT_TRUE(waitUntil([&] { return !view->previewView()->isLoading(); }));
    EXPECT_EQ(view->previewView()->shownKind(), QuickLook::PreviewContent::Kind::card);
    EXPECT_EQ(view->previewView()->cardNameLabel()->text(), QStringLiteral("blob.xyzq"));
    EXPECT_EQ(view->currentURL(), scratch() + QStringLiteral("/blob.xyzq"));
}

// A card in a view made shorter and shorter: first its icon gives way,
// keeping its shape, then the card is cut at its bottom; the texts keep
// their height and none lies over another.
TEST_F(FilePreviewViewTest, AShortViewShrinksTheCardsIconThenCutsTheCard)
{
    view->showPreView(*fileAt(writeFile(QStringLiteral("blob.xyzq"), QByteArray("\x01\x02\x00\x03", 4))));
    QLPreviewView* card = view->previewView();
    ASSERT_TRUE(waitUntil([&] { return !card->isLoading(); }));
    QList<QWidget*> parts{card->cardIconView()};
    for (QWidget* label : {card->cardNameLabel(), card->cardKindLabel(), card->cardSizeLabel()}) {
        if (!label->isHidden()) {
            parts << label;
        }
    }
    ASSERT_GE(parts.size(), 3);
    for (const int height : {360, 150, 60}) {
        SCOPED_TRACE(height);
        view->resize(480, height);
        QCoreApplication::processEvents();
        const QSize icon = card->cardIconView()->size();
        EXPECT_EQ(icon.width(), icon.height());
        EXPECT_EQ(icon.width(), height == 360 ? 96 : (height == 150 ? qBound(33, icon.width(), 95) : 32));
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const QRect above(parts[i - 1]->mapTo(card, QPoint()), parts[i - 1]->size());
            const QRect part(parts[i]->mapTo(card, QPoint()), parts[i]->size());
            EXPECT_GT(part.top(), above.bottom()) << i;
            EXPECT_GE(part.height(), parts[i]->minimumSizeHint().height()) << i;
        }
        const QRect last(parts.last()->mapTo(card, QPoint()), parts.last()->size());
        EXPECT_EQ(last.bottom() >= card->height(), height == 60);
    }
}

TEST_F(FilePreviewViewTest, EveryShowMakesANewPausedPlayerAndASwitchStopsTheOld)
{
    const FileInfoPtr video = copyOfMedia(QStringLiteral("clip.mp4"));
    view->showPreView(*video);
    QMediaPlayer* first = view->videoPlayerView()->player();
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first->playbackState(), QMediaPlayer::PlayingState);
    first->play();
    ASSERT_TRUE(waitUntil([&] { return first->position() > 0 || first->mediaStatus() == QMediaPlayer::EndOfMedia; }));

    view->showPreView(*png(QStringLiteral("pic.png"), 20, 20, Qt::green));
    EXPECT_EQ(shown(), QStringLiteral("image"));
    EXPECT_NE(first->playbackState(), QMediaPlayer::PlayingState);
    EXPECT_TRUE(waitUntil([&] { return first->position() == 0; }));

    view->showPreView(*video);
    QMediaPlayer* second = view->videoPlayerView()->player();
    EXPECT_NE(second, first);
    EXPECT_NE(second->playbackState(), QMediaPlayer::PlayingState);
    EXPECT_EQ(second->position(), 0);
}

TEST_F(FilePreviewViewTest, TheSpeedMenuSetsTheRateAndPlays)
{
    view->showPreView(*copyOfMedia(QStringLiteral("clip.mp4")));
    QMenu* menu = view->videoPlayerView()->actionPopUpButtonMenu();
    ASSERT_NE(menu, nullptr);
    QStringList titles;
    for (QAction* action : menu->actions()) {
        titles << action->text();
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("0.5x speed"), QStringLiteral("1.0x speed"),
                                   QStringLiteral("1.25x speed"), QStringLiteral("1.5x speed"),
                                   QStringLiteral("2.0x speed")}));
    QMediaPlayer* player = view->videoPlayerView()->player();
    menu->actions().at(3)->trigger();
    EXPECT_DOUBLE_EQ(player->playbackRate(), 1.5);
    EXPECT_TRUE(waitUntil([&] { return player->playbackState() == QMediaPlayer::PlayingState; }));
    // A title that matches no speed changes nothing.
    QAction stray(QStringLiteral("3x speed"));
    view->setPlayRate(&stray);
    EXPECT_DOUBLE_EQ(player->playbackRate(), 1.5);
    // The audio player has no such menu.
    view->showPreView(*copyOfMedia(QStringLiteral("tone.ogg")));
    EXPECT_EQ(view->audioPlayerView()->actionPopUpButtonMenu(), nullptr);
}

TEST_F(FilePreviewViewTest, AudioShowsItsCoverElseTheBundleImage)
{
    view->showPreView(*copyOfMedia(QStringLiteral("cover.mp3")));
    ASSERT_TRUE(waitForImage());
    const QImage cover = view->audioTitlePageView()->image();
    ASSERT_FALSE(cover.isNull());
    EXPECT_EQ(cover.pixelColor(cover.width() / 2, cover.height() / 2), QColor(200, 30, 30));
    QMediaPlayer* first = view->audioPlayerView()->player();

    view->showPreView(*copyOfMedia(QStringLiteral("tone.flac")));
    ASSERT_TRUE(waitForImage());
    const QImage fallback = view->audioTitlePageView()->image();
    ASSERT_FALSE(fallback.isNull());
    EXPECT_NE(fallback.pixelColor(fallback.width() / 2, fallback.height() / 2), QColor(200, 30, 30));
    EXPECT_NE(view->audioPlayerView()->player(), first);
    EXPECT_EQ(view->backgroundView()->palette().color(QPalette::Window), QColor(Qt::white));
    // The artwork lies 4 points below the top and 40 above the bottom.
    const QRect artwork = view->audioTitlePageView()->geometry();
    EXPECT_EQ(artwork.top(), 4);
    EXPECT_EQ(view->backgroundView()->height() - artwork.bottom() - 1, 40);
}

// Decoding a 40-megapixel picture must not hold up the main thread: a
// 10 ms timer keeps ticking with no gap of 50 ms or more.
TEST_F(FilePreviewViewTest, ABigPictureIsDecodedOffTheMainThread)
{
    const FileInfoPtr big = png(QStringLiteral("big.png"), 8000, 5000, QColor(10, 120, 200));
    // The main thread's own processor time between heartbeats: decoding 40
    // megapixels there would spend far more than 50 ms in one stretch, while
    // a machine busy with other work stretches only the wall clock.
    const auto mainThreadMs = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    };
    qint64 last = mainThreadMs();
    qint64 longest = 0;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = mainThreadMs();
        longest = std::max(longest, now - last);
        last = now;
    });
    heartbeat.start();
    view->showPreView(*big);
    ASSERT_TRUE(waitForImage());
    heartbeat.stop();
    EXPECT_LT(longest, 50);
    const QImage shownImage = view->imageView()->image();
    EXPECT_LE(shownImage.width(), qRound(480 * view->devicePixelRatioF()));
    EXPECT_EQ(shownImage.pixelColor(3, 3), QColor(10, 120, 200));
}

// Pictures chosen one after another: the last one chosen is the one shown.
TEST_F(FilePreviewViewTest, TheNewestPictureWins)
{
    const FileInfoPtr slow = png(QStringLiteral("slow.png"), 4000, 3000, Qt::yellow);
    const FileInfoPtr fast = png(QStringLiteral("fast.png"), 10, 10, Qt::magenta);
    view->showPreView(*slow);
    view->showPreView(*fast);
    ASSERT_TRUE(waitForImage());
    QTest::qWait(0);
    ASSERT_TRUE(waitUntil([&] { return !view->imageView()->image().isNull(); }));
    // Wait until the slow decode would have landed.
    const QImage before = view->imageView()->image();
    EXPECT_EQ(before.pixelColor(1, 1), QColor(Qt::magenta));
    FileInfoPtr marker = png(QStringLiteral("marker.png"), 10, 10, Qt::cyan);
    view->showPreView(*marker);
    ASSERT_TRUE(waitForImage());
    EXPECT_EQ(view->imageView()->image().pixelColor(1, 1), QColor(Qt::cyan));
}

TEST(MediaPlayerViewTest, TimesReadAsMinutesAndSeconds)
{
    EXPECT_EQ(MediaPlayerView::timeText(0), QStringLiteral("0:00"));
    EXPECT_EQ(MediaPlayerView::timeText(65'400), QStringLiteral("1:05"));
    EXPECT_EQ(MediaPlayerView::timeText(3'725'000), QStringLiteral("1:02:05"));
    EXPECT_EQ(MediaPlayerView::timeText(-5), QStringLiteral("0:00"));
}

// The bar under the picture takes the appearance as it paints; the time on
// it follows the desktop's switch as well.
TEST(MediaPlayerViewTest, TheTimeFollowsTheDesktopsSwitchOfAppearance)
{
    const QPalette light = QApplication::style()->standardPalette();
    RYTDarkMode::setForcedAppearance(-1);
    QApplication::setPalette(light);
    const auto restore = qScopeGuard([light] { QApplication::setPalette(light); });
    MediaPlayerView view;
    view.show();
    const auto shows = [&](bool dark) {
        return view.timeLabel()->palette().color(QPalette::WindowText) ==
               RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), dark);
    };
    EXPECT_TRUE(shows(false));
    QApplication::setPalette(QPalette(QColor(40, 42, 46)));
    EXPECT_TRUE(waitUntil([&] { return shows(true); }));
}

}  // namespace
