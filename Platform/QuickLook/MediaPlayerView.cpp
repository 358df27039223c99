#include "MediaPlayerView.h"

#include "Foundation/Bundle.h"
#include "QVLibrary/RYTAppearanceFollower.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QAudioOutput>
#include <QFile>
#include <QHBoxLayout>
#include <QMediaDevices>
#include <QUrl>
#include <QLabel>
#include <QMediaPlayer>
#include <QMenu>
#include <QPainter>
#include <QSlider>
#include <QToolButton>
#include <QVideoSink>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int kControlsHeight = 40;

QColor named(const char* name)
{
    const QColor color = RYTDarkMode::colorNamed(QString::fromLatin1(name));
    return color.isValid() ? color : QColor(Qt::red);
}

std::atomic<bool> backendWarm{false};
std::atomic<bool> warmingUp{false};
std::atomic<void (*)()> warmUpStall{nullptr};

// Run by exit() before the libraries' own teardown. While the library is
// still setting itself up on its thread, that teardown would pull GLib and
// its plug-ins from under it and crash the program on its way out; by now
// everything of the program's own has ended (the application object, the
// workers it waits for), so the process ends here with the status it was
// given.
void endBeforeTeardownWhileWarmingUp(int status, void*)
{
    if (warmingUp.load()) {
        std::fflush(nullptr);
        ::_exit(status);
    }
}
}

void MediaPlayerView::warmUpBackend()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // A thread of its own, left to run: quitting must not wait for the
        // library to set itself up (seconds on a machine whose plug-in list
        // is built from scratch). It touches no Qt object and none of ours
        // that static destructors end, only the library and an atomic, so
        // the program's exit may overtake it, ending before the libraries'
        // teardown while the set-up is still under way.
        warmingUp.store(true);
        ::on_exit(endBeforeTeardownWhileWarmingUp, nullptr);
        std::thread([] {
            if (void (*stall)() = warmUpStall.load()) {
                stall();
            }
            // The GStreamer library the Qt back end uses; initialising it
            // twice is harmless and the second call returns at once.
            if (void* library = ::dlopen("libgstreamer-1.0.so.0", RTLD_NOW | RTLD_LOCAL)) {
                using InitCheck = int (*)(int*, char***, void**);
                if (auto init = reinterpret_cast<InitCheck>(::dlsym(library, "gst_init_check"))) {
                    init(nullptr, nullptr, nullptr);
                }
            }
            backendWarm.store(true);
            warmingUp.store(false);
        }).detach();
    });
}

void MediaPlayerView::setWarmUpStallForTesting(void (*stall)())
{
    warmUpStall.store(stall);
}

bool MediaPlayerView::isBackendWarm()
{
    return backendWarm.load();
}

MediaPlayerView::MediaPlayerView(QWidget* parent)
    : QWidget(parent)
{
    sink_ = new QVideoSink(this);
    connect(sink_, &QVideoSink::videoFrameChanged, this, &MediaPlayerView::frameArrived);

    overlay_ = new QWidget(this);

    controls_ = new QWidget(this);
    controls_->setObjectName(QStringLiteral("controls"));
    controls_->setAutoFillBackground(false);
    auto* row = new QHBoxLayout(controls_);
    row->setContentsMargins(10, 6, 10, 6);
    row->setSpacing(8);

    playPause_ = new RYTButton(controls_);
    playPause_->setFixedSize(24, 24);
    playPause_->setFocusPolicy(Qt::NoFocus);
    playPause_->setToolTip(localized("Play"));
    connect(playPause_, &QAbstractButton::clicked, this, [this] {
        if (!player_) {
            return;
        }
        if (player_->playbackState() == QMediaPlayer::PlayingState) {
            player_->pause();
        } else {
            player_->play();
        }
    });
    row->addWidget(playPause_);

    position_ = new QSlider(Qt::Horizontal, controls_);
    position_->setFocusPolicy(Qt::NoFocus);
    position_->setRange(0, 0);
    connect(position_, &QSlider::sliderMoved, this, [this](int value) {
        if (player_) {
            player_->setPosition(value);
        }
    });
    row->addWidget(position_, 1);

    time_ = new QLabel(controls_);
    QFont small = time_->font();
    small.setPixelSize(11);
    time_->setFont(small);
    // Drawn on the bar, whose colour follows the appearance.
    RYTAppearanceFollower::followTextColor(time_, QStringLiteral("TitleLabelColor"));
    row->addWidget(time_);

    actionButton_ = new QToolButton(controls_);
    actionButton_->setAutoRaise(true);
    actionButton_->setFocusPolicy(Qt::NoFocus);
    actionButton_->setIcon(RYTImage::named(QStringLiteral("player_speed")));
    actionButton_->setIconSize(QSize(18, 18));
    actionButton_->setToolTip(localized("Playback speed"));
    actionButton_->hide();
    // The menu pops up beside the button; it never runs a loop of its own.
    connect(actionButton_, &QToolButton::clicked, this, [this] {
        if (actionMenu_) {
            const QSize hint = actionMenu_->sizeHint();
            actionMenu_->popup(actionButton_->mapToGlobal(QPoint(actionButton_->width() - hint.width(), -hint.height())));
        }
    });
    row->addWidget(actionButton_);

    updateControls();
    layoutParts();
}

MediaPlayerView::~MediaPlayerView()
{
    setPlayer(nullptr);
}

void MediaPlayerView::setControlsStyle(ControlsStyle style)
{
    controlsStyle_ = style;
    controls_->setVisible(style == ControlsStyle::inline_);
    layoutParts();
}

void MediaPlayerView::setPlayer(QMediaPlayer* player)
{
    if (player_ == player) {
        return;
    }
    for (const QMetaObject::Connection& connection : std::as_const(playerConnections_)) {
        disconnect(connection);
    }
    playerConnections_.clear();
    if (player_ && player_->videoSink() == sink_) {
        player_->setVideoSink(nullptr);
    }
    player_ = player;
    frame_ = QImage();
    if (player_) {
        player_->setVideoSink(sink_);
        playerConnections_ << connect(player_, &QMediaPlayer::playbackStateChanged, this, [this] { updateControls(); })
                           << connect(player_, &QMediaPlayer::durationChanged, this, [this] { updateControls(); })
                           << connect(player_, &QMediaPlayer::positionChanged, this, [this] { updateControls(); })
                           << connect(player_, &QObject::destroyed, this, [this] {
                                  frame_ = QImage();
                                  updateControls();
                                  update();
                              });
    }
    updateControls();
    update();
}

void MediaPlayerView::setActionPopUpButtonMenu(QMenu* menu)
{
    actionMenu_ = menu;
    actionButton_->setVisible(menu != nullptr);
}

QMediaPlayer* MediaPlayerView::newPlayer(const QByteArray& path, QObject* parent)
{
    auto* player = new QMediaPlayer(parent);
    if (!QMediaDevices::defaultAudioOutput().isNull()) {
        player->setAudioOutput(new QAudioOutput(player));
    }
    QString local = QFile::decodeName(path);
    if (QFile::encodeName(local) != path) {
        // A name that does not survive decoding is reached through a
        // descriptor of its own, kept open as long as the player lives.
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            local = QStringLiteral("/proc/self/fd/%1").arg(fd);
            QObject::connect(player, &QObject::destroyed, [fd] { ::close(fd); });
        }
    }
    player->setSource(QUrl::fromLocalFile(local));
    return player;
}

QString MediaPlayerView::timeText(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(0, ms) / 1000;
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds / 60) % 60;
    const qint64 secs = seconds % 60;
    if (hours > 0) {
        return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(secs, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("%1:%2").arg(minutes).arg(secs, 2, 10, QLatin1Char('0'));
}

void MediaPlayerView::updateControls()
{
    const bool playing = player_ && player_->playbackState() == QMediaPlayer::PlayingState;
    const QIcon icon = RYTImage::named(playing ? QStringLiteral("player_pause") : QStringLiteral("player_play"));
    playPause_->setButtonStateImage(icon, icon, icon);
    playPause_->setToolTip(playing ? localized("Pause") : localized("Play"));
    playPause_->setEnabled(player_ != nullptr);
    const qint64 duration = player_ ? player_->duration() : 0;
    const qint64 position = player_ ? player_->position() : 0;
    position_->setEnabled(player_ != nullptr && duration > 0);
    position_->setRange(0, int(qMin<qint64>(duration, INT_MAX)));
    if (!position_->isSliderDown()) {
        position_->setValue(int(qMin<qint64>(position, INT_MAX)));
    }
    time_->setText(timeText(position) + QStringLiteral(" / ") + timeText(duration));
}

void MediaPlayerView::frameArrived(const QVideoFrame& frame)
{
    frame_ = frame.isValid() ? frame.toImage() : QImage();
    update();
}

void MediaPlayerView::layoutParts()
{
    overlay_->setGeometry(rect());
    const int controls = controlsStyle_ == ControlsStyle::inline_ ? kControlsHeight : 0;
    controls_->setGeometry(0, height() - controls, width(), controls);
    controls_->raise();
}

void MediaPlayerView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

void MediaPlayerView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int controls = controlsStyle_ == ControlsStyle::inline_ ? kControlsHeight : 0;
    const QRect picture(0, 0, width(), height() - controls);
    painter.fillRect(picture, Qt::black);
    if (!frame_.isNull()) {
        const QSizeF fitted = QSizeF(frame_.size()).scaled(QSizeF(picture.size()), Qt::KeepAspectRatio);
        const QRectF target(picture.x() + (picture.width() - fitted.width()) / 2.0,
                            picture.y() + (picture.height() - fitted.height()) / 2.0, fitted.width(), fitted.height());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, frame_);
    }
    if (controls > 0) {
        painter.fillRect(QRect(0, height() - controls, width(), controls),
                         named("WindowBackgroundColor"));
        painter.fillRect(QRect(0, height() - controls, width(), 1), named("ScanViewLineViewColor"));
    }
}
