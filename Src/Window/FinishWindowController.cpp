#include "FinishWindowController.h"

#include "ModalOverlay.h"
#include "ui_FinishWindowController.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Foundation/UserDefaults.h"
#include "Lottie/Animation.h"
#include "Lottie/AnimationView.h"
#include "Lottie/LRUAnimationCache.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"
#include "View/Extension/KPLExtensionView.h"
#include "View/FolderSetViewController.h"
#include "View/ImageProvider.h"

#include <QLocale>
#include <QShortcut>
#include <QTimer>

#include <limits>

namespace {

const char* const kCompleteLargeFile = "CompleteLargeFile";

std::optional<QStringList>& languagesOverride()
{
    static std::optional<QStringList> languages;
    return languages;
}

// The card is white in both appearances, so what is drawn on it takes the
// light value of its colour.
QColor onWhite(const char* name, double alpha = 1.0)
{
    QColor color = RYTDarkMode::colorNamed(QString::fromLatin1(name), false);
    if (!color.isValid()) {
        color = Qt::red;
    }
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

void setTextColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void setPixelFont(QLabel* label, int size, bool bold = false)
{
    QFont font = label->font();
    font.setPixelSize(size);
    font.setBold(bold);
    label->setFont(font);
}

}  // namespace

FinishWindowController::FinishWindowController(QObject* parent)
    : WindowController(parent)
{
}

FinishWindowController::~FinishWindowController() = default;

QStringList FinishWindowController::preferredLanguages()
{
    if (languagesOverride()) {
        return *languagesOverride();
    }
    return QLocale::system().uiLanguages();
}

void FinishWindowController::setPreferredLanguages(std::optional<QStringList> languages)
{
    languagesOverride() = std::move(languages);
}

void FinishWindowController::loadWindow()
{
    if (ui_) {
        return;
    }
    ui_ = std::make_unique<Ui::FinishWindowController>();
    auto* window = new QWidget;
    ui_->setupUi(window);
    setWindow(window);
}

void FinishWindowController::windowDidLoad()
{
    if (didLoad_) {
        return;
    }
    loadWindow();
    didLoad_ = true;

    if (FolderSetViewController::isScanLargeFile()) {
        sendLargeFileCompletion();
    }
    initConfig();
    ui_->freeSizeLabel->setFont(shuziFont(31));

    RYTButton* button = ui_->completeButton;
    button->setTitle(localized("Remove_Complete"));
    button->setCornerRadius(4.0);
    button->setBorderWidth(0.0);
    button->setTitleColors({QColor(Qt::white)});
    button->setButtonStateColor(color256(42, 214, 123), color256(22, 198, 105), color256(9, 172, 86), color256(9, 172, 86));
    QFont buttonFont = button->font();
    buttonFont.setPixelSize(14);
    button->setFont(buttonFont);
    connect(button, &RYTButton::clicked, this, &FinishWindowController::completeAciton);
    // Return presses the button as well (Space does, as it has the focus).
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), window(), nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, button, &RYTButton::click);
    }

    QWidget* content = window();
    content->setObjectName(QStringLiteral("FinishWindowController"));
    content->setAttribute(Qt::WA_StyledBackground);
    content->setStyleSheet(QStringLiteral("#FinishWindowController { background-color: #FFFFFF; border-radius: 10px; }"));

    QTimer::singleShot(100, this, [this] { startAnimation(); });
}

void FinishWindowController::initConfig()
{
    const QColor detail = onWhite("TitleLabelColor", 0.5);
    for (QLabel* label : {ui_->filesCountTitleLabel, ui_->filesCountLabel, ui_->costTimeTitleLabe, ui_->costTimeLabel,
                          ui_->bottomCostTimeTitleLabe, ui_->bottomCostTimeLabel}) {
        setTextColor(label, detail);
        setPixelFont(label, 13);
    }
    ui_->detailBox->setFrameShape(QFrame::NoFrame);
    ui_->detailBox->setLineWidth(0);
    ui_->bottomDetailBox->setFrameShape(QFrame::NoFrame);
    ui_->bottomDetailBox->setLineWidth(0);
    ui_->costTimeTitleLabe->setContentsMargins(12, 0, 0, 0);

    setTextColor(ui_->finishContentLabel, onWhite("TitleLabelColor"));
    setPixelFont(ui_->finishContentLabel, 18, true);
    setTextColor(ui_->finishSavingSpaceLabel, onWhite("TitleLabelColor", 0.6));
    setPixelFont(ui_->finishSavingSpaceLabel, 13);
    setTextColor(ui_->freeSizeLabel, onWhite("TitleLabelGreenColor"));

    const bool largeFile = FolderSetViewController::isScanLargeFile();
    ui_->finishContentLabel->setText(largeFile ? localized("Cleanup is completed!")
                                               : localized("Deduplication Completed!"));

    const QStringList languages = preferredLanguages();
    const bool korean = !languages.isEmpty() && languages.first().startsWith(QLatin1String("ko"));
    if (!korean) {
        ui_->finishSavingSpaceLabel->setText(localized("Space Saving"));
    } else if (largeFile) {
        ui_->finishSavingSpaceLabel->setText(localized("Space Saving"));
        ui_->finishSavingSpaceLabel->setText(QStringLiteral("확보된 저장 공간"));
    }

    ui_->freeSizeLabel->setText(QStringLiteral("0"));

    if (largeFile) {
        const QString format = korean ? QStringLiteral("%1 ") : QStringLiteral("%1: ");
        ui_->filesCountTitleLabel->setText(format.arg(localized("Large Files")));
    } else if (isDupImages_) {
        const QString name = korean ? QStringLiteral("비슷한 이미지") : localized("Similar images");
        ui_->filesCountTitleLabel->setText(QStringLiteral("%1: ").arg(name));
    } else {
        ui_->filesCountTitleLabel->setText(localized("Duplicate Item(s)"));
    }

    ui_->filesCountLabel->setText(QStringLiteral("0"));
    ui_->costTimeTitleLabe->setText(localized("Elapsed Time: "));
    ui_->bottomCostTimeTitleLabe->setText(localized("Elapsed Time: "));
    ui_->costTimeLabel->setText(QStringLiteral("0m 0s"));
    ui_->bottomCostTimeLabel->setText(QStringLiteral("0m 0s"));
}

void FinishWindowController::sendLargeFileCompletion()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString key = QString::fromLatin1(kCompleteLargeFile);
    if (!defaults.boolForKey(key)) {
        defaults.setInteger(1, key);
        asyncGALog(QStringLiteral("Process"), QStringLiteral("Complete"), QStringLiteral("1_successDE_Large"));
        return;
    }
    const QVariant stored = defaults.objectForKey(key);
    if (!UserDefaultsDetail::isInteger(stored)) {
        return;
    }
    const qint64 count = stored.toLongLong();
    if (count == std::numeric_limits<qint64>::max()) {
        return;
    }
    defaults.setInteger(count + 1, key);
    asyncGALog(QStringLiteral("Process"), QStringLiteral("Complete"),
               QString::number(count + 1) + QStringLiteral("_successDE_Large"));
}

void FinishWindowController::startAnimation()
{
    if (nothingRemoved_) {
        return;  // no tick for a removal that removed nothing
    }
    const Bundle& bundle = Bundle::main();
    const QString data = bundle.pathForResource(QStringLiteral("LottieAnimation/Wastebasket/data"), QStringLiteral("json"));
    ui_->finishAnimationView->setAnimation(Lottie::Animation::filepath(data, &Lottie::LRUAnimationCache::sharedCache()));
    ui_->finishAnimationView->setImageProvider(
        std::make_shared<ImageProvider>(bundle.pathForResource(QStringLiteral("LottieAnimation/Wastebasket/images"))));
    ui_->finishAnimationView->play(0.0, 1.0, Lottie::LottieLoopMode::playOnce);
}

void FinishWindowController::showDataInfo(const QString& filesSize, const QString& filesCount, const QString& costTime)
{
    DispatchQueue::main().async(this, [this, filesSize, filesCount, costTime] {
        applyDataInfo(filesSize, filesCount, costTime);
    });
}

void FinishWindowController::applyDataInfo(const QString& filesSize, const QString& filesCount,
                                           const QString& costTime)
{
    if (!ui_) {
        return;
    }
    ui_->freeSizeLabel->setText(filesSize);
    ui_->filesCountLabel->setText(filesCount);
    ui_->costTimeLabel->setText(costTime);
    ui_->costTimeTitleLabe->show();
    ui_->costTimeLabel->show();
    // Lay the window out afresh so the row's width is that of its new texts,
    // also before the window was ever shown.
    ui_->detailLayout->invalidate();
    ui_->detailLayout->activate();
    ui_->detailBox->updateGeometry();
    if (QLayout* layout = window()->layout()) {
        layout->invalidate();
        layout->activate();
    }
    if (ui_->detailBox->width() > detailRowLimit) {
        // Too wide for one row: the elapsed time gets a row of its own.
        ui_->costTimeTitleLabe->hide();
        ui_->costTimeLabel->hide();
        ui_->bottomDetailBox->show();
        ui_->bottomCostTimeLabel->setText(costTime);
        ui_->bottomDetailLayout->setContentsMargins(0, 4, 0, 16);
    }
}

QString FinishWindowController::failedCountText(qint64 failedCount)
{
    return failedCount == 1 ? localized("1 file could not be removed.")
                            : localized("%1 files could not be removed.").arg(failedCount);
}

void FinishWindowController::showRemoveFailures(qint64 failedCount, qint64 removedCount)
{
    if (!ui_ || failedCount <= 0) {
        return;
    }
    QLabel* line = ui_->failedCountLabel;
    line->setText(failedCountText(failedCount));
    setTextColor(line, color256(254, 74, 74));
    setPixelFont(line, 13);
    line->setContentsMargins(0, 8, 0, 0);
    line->show();
    if (removedCount > 0) {
        return;
    }
    nothingRemoved_ = true;
    ui_->finishContentLabel->setText(localized("Nothing could be removed"));
    // The freed space is no gain to show in green.
    setTextColor(ui_->freeSizeLabel, onWhite("TitleLabelColor"));
    ui_->finishAnimationView->stop();
    ui_->finishAnimationView->hide();
    QLabel* mark = ui_->failedMarkView;
    const double ratio = mark->devicePixelRatioF();
    mark->setPixmap(RYTImage::named(QStringLiteral("exclamation")).pixmap(QSize(64, 64), ratio));
    mark->show();
}

void FinishWindowController::completeAciton()
{
    // One answer only: a second press while the window fades out would act
    // on a removal screen that has already moved on.
    if (answered_) {
        return;
    }
    answered_ = true;
    if (QWidget* mainWindow = ModalOverlay::applicationMainWindow()) {
        ModalOverlay::endSheet(mainWindow, this);
    }
    if (completionHandler_) {
        completionHandler_(1);
    }
}

Lottie::AnimationView* FinishWindowController::finishAnimationView() const
{
    return ui_ ? ui_->finishAnimationView : nullptr;
}

QLabel* FinishWindowController::finishContentLabel() const
{
    return ui_ ? ui_->finishContentLabel : nullptr;
}

QLabel* FinishWindowController::finishSavingSpaceLabel() const
{
    return ui_ ? ui_->finishSavingSpaceLabel : nullptr;
}

QLabel* FinishWindowController::freeSizeLabel() const
{
    return ui_ ? ui_->freeSizeLabel : nullptr;
}

QFrame* FinishWindowController::detailBox() const
{
    return ui_ ? ui_->detailBox : nullptr;
}

QFrame* FinishWindowController::bottomDetailBox() const
{
    return ui_ ? ui_->bottomDetailBox : nullptr;
}

QLabel* FinishWindowController::filesCountTitleLabel() const
{
    return ui_ ? ui_->filesCountTitleLabel : nullptr;
}

QLabel* FinishWindowController::filesCountLabel() const
{
    return ui_ ? ui_->filesCountLabel : nullptr;
}

QLabel* FinishWindowController::costTimeTitleLabe() const
{
    return ui_ ? ui_->costTimeTitleLabe : nullptr;
}

QLabel* FinishWindowController::costTimeLabel() const
{
    return ui_ ? ui_->costTimeLabel : nullptr;
}

QLabel* FinishWindowController::bottomCostTimeTitleLabe() const
{
    return ui_ ? ui_->bottomCostTimeTitleLabe : nullptr;
}

QLabel* FinishWindowController::bottomCostTimeLabel() const
{
    return ui_ ? ui_->bottomCostTimeLabel : nullptr;
}

RYTButton* FinishWindowController::completeButton() const
{
    return ui_ ? ui_->completeButton : nullptr;
}

QLabel* FinishWindowController::failedCountLabel() const
{
    return ui_ ? ui_->failedCountLabel : nullptr;
}

QLabel* FinishWindowController::failedMarkView() const
{
    return ui_ ? ui_->failedMarkView : nullptr;
}
