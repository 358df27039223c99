#include "QLPreviewView.h"
#include "QLPreviewWork.h"

#include "MediaPlayerView.h"
#include "QLColumnView.h"
#include "QLImageView.h"
#include "QLPreviewBox.h"

#include "Foundation/Dispatch.h"

#include <QFontDatabase>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMediaPlayer>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStackedLayout>
#include <QStyle>
#include <QVBoxLayout>

using QuickLook::PreviewContent;

namespace {

// The icon of the card gives way down to this side.
constexpr int kLeastIconSide = 32;

std::function<QString(uint64_t)>& sizeFormatter()
{
    static std::function<QString(uint64_t)> formatter = [](uint64_t bytes) {
        return QLocale::system().formattedDataSize(qint64(qMin<uint64_t>(bytes, INT64_MAX)), 2,
                                                   QLocale::DataSizeSIFormat);
    };
    return formatter;
}

}  // namespace

void QLPreviewView::setSizeFormatter(std::function<QString(uint64_t)> formatter)
{
    if (formatter) {
        sizeFormatter() = std::move(formatter);
    }
}

QLPreviewView::QLPreviewView(QWidget* parent, Style style)
    : QWidget(parent)
    , style_(style)
{
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);

    empty_ = new QWidget(this);
    stack_->addWidget(empty_);

    textView_ = new QPlainTextEdit(this);
    textView_->setReadOnly(true);
    textView_->setFrameShape(QFrame::NoFrame);
    textView_->setLineWrapMode(QPlainTextEdit::NoWrap);
    textView_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    textView_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    stack_->addWidget(textView_);

    imagePane_ = new QLImageView(this);
    stack_->addWidget(imagePane_);

    // In a short pane the icon gives way to the texts, and what still does
    // not fit is cut at the bottom.
    card_ = new QLColumnView(this);
    auto* cardColumn = new QWidget(card_);
    auto* cardLayout = new QVBoxLayout(cardColumn);
    cardLayout->addStretch(1);
    auto* iconBox = new QLPreviewBox(cardColumn);
    iconBox->setMinimumHeight(kLeastIconSide);
    cardIcon_ = new QLImageView(iconBox);
    const int iconSide = style_ == Style::compact ? 96 : 128;
    cardIcon_->setMaximumSize(iconSide, iconSide);
    iconBox->setMaximumHeight(iconSide);
    cardName_ = new QLabel(cardColumn);
    cardName_->setTextFormat(Qt::PlainText);  // a file name, never markup
    cardName_->setAlignment(Qt::AlignCenter);
    cardName_->setWordWrap(true);
    QFont nameFont = cardName_->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.15);
    nameFont.setBold(true);
    cardName_->setFont(nameFont);
    cardKind_ = new QLabel(cardColumn);
    cardKind_->setAlignment(Qt::AlignCenter);
    cardSize_ = new QLabel(cardColumn);
    cardSize_->setAlignment(Qt::AlignCenter);
    cardLayout->addWidget(iconBox);
    for (QLabel* label : {cardName_, cardKind_, cardSize_}) {
        cardLayout->addWidget(label);
    }
    cardLayout->addStretch(1);
    stack_->addWidget(card_);
    stack_->setCurrentWidget(empty_);
}

QLPreviewView::~QLPreviewView()
{
    dropPlayer();
}

void QLPreviewView::dropPlayer()
{
    if (mediaView_ && mediaView_->player()) {
        QMediaPlayer* player = mediaView_->player();
        player->stop();
        mediaView_->setPlayer(nullptr);
        player->deleteLater();
    }
}

void QLPreviewView::setPreviewItem(const QByteArray& path)
{
    previewItem_ = path;
    const quint64 generation = ++generation_;
    if (path.isEmpty()) {
        loading_ = false;
        display(PreviewContent{});
        return;
    }
    loading_ = true;
    const QSize viewSize = size().isEmpty() ? QSize(400, 300) : size();
    const qreal scale = devicePixelRatioF();
    QPointer<QLPreviewView> self(this);
    QuickLook::runPreviewWork([self, path, viewSize, scale, generation] {
        PreviewContent content = QuickLook::loadPreview(path, viewSize, scale);
        DispatchQueue::main().async([self, generation, content = std::move(content)] {
            // A later item, or a destroyed pane, makes this result stale.
            if (!self || self->generation_ != generation) {
                return;
            }
            self->loading_ = false;
            self->display(content);
            emit self->previewShown();
        });
    });
}

void QLPreviewView::display(const PreviewContent& content)
{
    shownKind_ = content.kind;
    image_ = QImage();
    dropPlayer();
    switch (content.kind) {
    case PreviewContent::Kind::none:
        textView_->clear();
        imagePane_->setImage({});
        stack_->setCurrentWidget(empty_);
        break;
    case PreviewContent::Kind::text: {
        QString text = content.text;
        if (content.textTruncated) {
            text += QStringLiteral("\n…");
        }
        textView_->setPlainText(text);
        stack_->setCurrentWidget(textView_);
        break;
    }
    case PreviewContent::Kind::image:
        image_ = content.image;
        imagePane_->setImage(image_);
        stack_->setCurrentWidget(imagePane_);
        break;
    case PreviewContent::Kind::media:
        // Paused at the start, as every player of the program.
        if (!mediaView_) {
            mediaView_ = new MediaPlayerView(this);
            stack_->addWidget(mediaView_);
        }
        mediaView_->setPlayer(MediaPlayerView::newPlayer(previewItem_, this));
        stack_->setCurrentWidget(mediaView_);
        break;
    case PreviewContent::Kind::card: {
        QIcon icon = QIcon::fromTheme(content.iconName, QIcon::fromTheme(content.genericIconName));
        if (icon.isNull()) {
            icon = QWidget::style()->standardIcon(QStyle::SP_FileIcon);
        }
        const int side = cardIcon_->maximumWidth();
        cardIcon_->setImage(icon.pixmap(QSize(side, side), devicePixelRatioF()).toImage());
        cardName_->setText(content.name);
        cardKind_->setText(content.typeDescription);
        cardKind_->setVisible(!content.typeDescription.isEmpty());
        // A file that cannot be read (gone since it was found) has no size
        // to show, which is not 0 B.
        cardSize_->setText(content.size ? sizeFormatter()(*content.size) : QString());
        cardSize_->setVisible(content.size.has_value());
        stack_->setCurrentWidget(card_);
        break;
    }
    }
}
