#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "Model/FileInfo.h"

class MediaPlayerView;
class QAction;
class QLPreviewView;
class QLImageView;
class QMediaPlayer;

// Shows one scanned file in a result panel: a picture in an image view, a
// video or an audio file in a player with inline controls, anything else in
// the generic previewer. The kind of the file alone decides. Every viewer is
// made on first use and kept; pictures and previews are read on worker
// threads, and when files are chosen quickly only the newest one shows.
class FilePreviewView : public QWidget {
    Q_OBJECT
public:
    explicit FilePreviewView(QWidget* parent = nullptr);
    ~FilePreviewView() override;

    // The path of the file last shown, for showing.
    QString currentURL() const { return currentURL_; }

    void showPreView(const FileInfo& file);
    // Hides the image and the previewer and stops both players at 0.
    void closePreview();
    // The speed menu's items: their title sets the video player's rate.
    void setPlayRate(QObject* sender);

    // The viewers (made on first use).
    QLImageView* imageView();
    QLPreviewView* previewView();
    MediaPlayerView* videoPlayerView();
    MediaPlayerView* audioPlayerView();
    QWidget* backgroundView();
    QLImageView* audioTitlePageView();

    // Whether a viewer has been made yet (tests look without making one).
    bool hasImageView() const { return imageView_ != nullptr; }
    bool hasPreviewView() const { return previewView_ != nullptr; }
    bool hasVideoPlayerView() const { return videoPlayerView_ != nullptr; }
    bool hasAudioPlayerView() const { return audioPlayerView_ != nullptr; }

    // The five speeds of the video player's menu, in menu order.
    static const QList<QPair<QString, double>>& playRates();

signals:
    // The picture (or the audio file's artwork) of the newest file is in place.
    void imageShown();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fillParent(QWidget* view);
    // The viewers made so far (null for those not made yet).
    QList<QWidget*> viewers() const;
    // Shows `viewer` on top and hides the others.
    void showOnly(QWidget* viewer);
    // Gives `view` a new player for the file; the old one goes.
    void replacePlayer(MediaPlayerView* view, const QByteArray& path);

    QString currentURL_;
    QLImageView* imageView_ = nullptr;
    QLPreviewView* previewView_ = nullptr;
    MediaPlayerView* videoPlayerView_ = nullptr;
    MediaPlayerView* audioPlayerView_ = nullptr;
    QWidget* backgroundView_ = nullptr;
    QLImageView* audioTitlePageView_ = nullptr;
    // Counts the files shown: a picture or artwork read for an earlier one
    // is dropped.
    quint64 imageGeneration_ = 0;
};
