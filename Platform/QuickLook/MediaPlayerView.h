#pragma once

#include <QMediaPlayer>
#include <QMenu>
#include <QPointer>
#include <QVideoFrame>
#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;
class QVideoSink;
class RYTButton;

// A media player pane: the picture of the attached player (when it has one),
// an overlay above it where callers put their own content, and inline
// controls below: play/pause, the position slider, the time, and a menu
// button when an action menu is set. The pane does not own its player.
class MediaPlayerView : public QWidget {
    Q_OBJECT
public:
    enum class ControlsStyle { none = 0, inline_ = 1 };

    explicit MediaPlayerView(QWidget* parent = nullptr);
    ~MediaPlayerView() override;

    ControlsStyle controlsStyle() const { return controlsStyle_; }
    void setControlsStyle(ControlsStyle style);

    QMediaPlayer* player() const { return player_; }
    // Shows `player`'s picture and drives it with the controls; null detaches.
    void setPlayer(QMediaPlayer* player);

    // Lies over the picture and under the controls.
    QWidget* contentOverlayView() const { return overlay_; }

    // The menu behind the action button; the button shows only with a menu.
    QMenu* actionPopUpButtonMenu() const { return actionMenu_; }
    void setActionPopUpButtonMenu(QMenu* menu);

    // The controls, for tests and looks.
    RYTButton* playPauseButton() const { return playPause_; }
    QSlider* positionSlider() const { return position_; }
    QLabel* timeLabel() const { return time_; }
    QToolButton* actionButton() const { return actionButton_; }
    // The newest picture the player delivered.
    QImage currentFrame() const { return frame_; }

    // Loads the media back end's plug-in list on a worker thread, once per
    // process, so that the first player made on the main thread does not
    // wait for it (the first run on a machine builds that list from scratch).
    static void warmUpBackend();
    static bool isBackendWarm();
    // Run on the warm-up's thread before the library, so a test can make
    // the set-up as slow as a cold machine's.
    static void setWarmUpStallForTesting(void (*stall)());

    // A new player for the file at `path` (the system's bytes), owned by
    // `parent`, paused at the start; sound goes to the default output when
    // the machine has one.
    static QMediaPlayer* newPlayer(const QByteArray& path, QObject* parent);

    // "1:05" style time for milliseconds.
    static QString timeText(qint64 ms);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void layoutParts();
    void updateControls();
    void frameArrived(const QVideoFrame& frame);

    ControlsStyle controlsStyle_ = ControlsStyle::inline_;
    QPointer<QMediaPlayer> player_;
    QVideoSink* sink_ = nullptr;
    QImage frame_;
    QWidget* overlay_ = nullptr;
    QWidget* controls_ = nullptr;
    RYTButton* playPause_ = nullptr;
    QSlider* position_ = nullptr;
    QLabel* time_ = nullptr;
    QToolButton* actionButton_ = nullptr;
    QPointer<QMenu> actionMenu_;
    QList<QMetaObject::Connection> playerConnections_;
};
