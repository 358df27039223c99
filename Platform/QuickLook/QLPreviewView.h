#pragma once

#include <functional>

#include <QByteArray>
#include <QImage>
#include <QWidget>

#include "QLPreview.h"

class MediaPlayerView;
class QLColumnView;
class QLImageView;
class QMediaPlayer;
class QLabel;
class QPlainTextEdit;
class QStackedLayout;

// The generic preview pane: shows the beginning of a text file, a picture,
// an SVG or the first page of a PDF fitted into the pane, and for anything
// else a card with the file's icon, name and size. Files are read on a
// worker thread; when items are set quickly one after another, only the
// newest one is shown.
class QLPreviewView : public QWidget {
    Q_OBJECT
public:
    enum class Style { normal = 0, compact = 1 };

    explicit QLPreviewView(QWidget* parent = nullptr, Style style = Style::compact);
    ~QLPreviewView() override;

    Style style() const { return style_; }

    QByteArray previewItem() const { return previewItem_; }
    // Starts showing the file at `path` (the system's bytes); an empty path
    // clears the pane.
    void setPreviewItem(const QByteArray& path);

    // How the card writes a size; the program sets its own units once.
    static void setSizeFormatter(std::function<QString(uint64_t)> formatter);

    // What the pane shows now; `none` while nothing is set or loaded.
    QuickLook::PreviewContent::Kind shownKind() const { return shownKind_; }
    // True from setPreviewItem() until that item's preview shows.
    bool isLoading() const { return loading_; }
    // The parts, for looks and tests.
    QPlainTextEdit* textView() const { return textView_; }
    QImage shownImage() const { return image_; }
    QLImageView* cardIconView() const { return cardIcon_; }
    QLabel* cardNameLabel() const { return cardName_; }
    QLabel* cardKindLabel() const { return cardKind_; }
    QLabel* cardSizeLabel() const { return cardSize_; }
    // The player of a sound or film item; null otherwise.
    MediaPlayerView* mediaView() const { return mediaView_; }

signals:
    // The preview of the current item shows.
    void previewShown();

private:
    void display(const QuickLook::PreviewContent& content);
    void dropPlayer();

    Style style_;
    QByteArray previewItem_;
    quint64 generation_ = 0;
    bool loading_ = false;
    QuickLook::PreviewContent::Kind shownKind_ = QuickLook::PreviewContent::Kind::none;
    QImage image_;
    QStackedLayout* stack_ = nullptr;
    QWidget* empty_ = nullptr;
    QPlainTextEdit* textView_ = nullptr;
    QLImageView* imagePane_ = nullptr;
    QLColumnView* card_ = nullptr;
    QLImageView* cardIcon_ = nullptr;
    QLabel* cardName_ = nullptr;
    QLabel* cardSize_ = nullptr;
    QLabel* cardKind_ = nullptr;
    MediaPlayerView* mediaView_ = nullptr;
};
