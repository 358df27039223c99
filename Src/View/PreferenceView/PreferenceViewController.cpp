#include "PreferenceViewController.h"

#include "ui_PreferenceViewController.h"

#include "PreferenceViewControllerPrivate.h"
#include "WhiteListDetailControllerView.h"
#include "WhiteListTypeControllerView.h"
#include "ZWEventMonitor.h"

#include "Foundation/Bundle.h"
#include "Main/Utilities.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTAppearanceFollower.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"
#include "QVLibrary/RYTView.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <cstdio>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QShortcut>
#include <QScopedValueRollback>
#include <QSignalBlocker>

namespace PreferenceLook {

QColor gridColor()
{
    return RYTDarkMode::isDarkMode() ? QColor(0x3A, 0x3E, 0x45) : QColor(0xE4, 0xE7, 0xEB);
}

QColor secondarySelectedControlColor()
{
    return RYTDarkMode::isDarkMode() ? QColor(0x5C, 0x61, 0x68) : QColor(0xB9, 0xBE, 0xC5);
}

void setTextColor(QWidget* widget, const QColor& color)
{
    if (!widget || !color.isValid()) {
        return;
    }
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

void styleField(QWidget* field, const QColor& text)
{
    const QColor fill = RYTDarkMode::colorNamed(QStringLiteral("ButtonNormalUncertainColor"));
    const QColor border = RYTDarkMode::colorNamed(QStringLiteral("ButtonborderColor"));
    const QColor selection = RYTDarkMode::colorNamed(QStringLiteral("PreferenceSelectedColor"));
    // In focus the border is the ring the other controls draw, its text
    // where it was.
    const QColor ring = RYTButton::normalColor();
    field->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; "
                                        "border-radius: 4px; padding: 0px 6px; selection-background-color: %4; "
                                        "selection-color: #FFFFFF; }"
                                        "QLineEdit:focus { border: 2px solid %5; padding: 0px 5px; }")
                             .arg(fill.name(), text.name(), border.name(), selection.name(), ring.name()));
    setTextColor(field, text);
}

void setPopupIcon(PopUpButton* popup, const QString& imageName)
{
    popup->iconView()->setImageNamed(imageName);
}

void setPopupTitleColor(PopUpButton* popup, const QColor& color)
{
    popup->selectedTitle()->setTextColor(color);
}

}  // namespace PreferenceLook

using namespace PreferenceLook;

namespace {

const QStringList& unitTitles()
{
    static const QStringList titles{QStringLiteral("KB"), QStringLiteral("MB"), QStringLiteral("GB")};
    return titles;
}

void setIcon(QLabel* label, const QString& name)
{
    label->setPixmap(RYTImage::named(name).pixmap(label->size(), label->devicePixelRatioF()));
    label->setProperty("imageName", name);
}

}  // namespace

PreferenceViewController::PreferenceViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::PreferenceViewController>())
{
    ui_->setupUi(this);
    viewDidLoad();
}

PreferenceViewController::~PreferenceViewController()
{
    if (monitor_) {
        monitor_->stop();
    }
}

int PreferenceViewController::unitCode(const QString& unit)
{
    if (unit == QLatin1String("KB")) {
        return 1;
    }
    if (unit == QLatin1String("MB")) {
        return 2;
    }
    return 3;
}

qint64 PreferenceViewController::sizeNumber(const QString& text)
{
    if (text.isEmpty()) {
        return 0;
    }
    int start = (text.at(0) == QLatin1Char('+') || text.at(0) == QLatin1Char('-')) ? 1 : 0;
    if (start == text.size()) {
        return 0;
    }
    for (int i = start; i < text.size(); ++i) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9')) {
            return 0;
        }
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? value : 0;
}

std::shared_ptr<PerferenceInfo> PreferenceViewController::preferenceInfo()
{
    if (!preferenceInfo_) {
        preferenceInfo_ = std::make_shared<PerferenceInfo>();
    }
    return preferenceInfo_;
}

void PreferenceViewController::reloadSettings()
{
    preferenceInfo_ = freshSettings();
    if (!saveFailed_) {
        unsaved_ = false;
    }
}

std::shared_ptr<PerferenceInfo> PreferenceViewController::freshSettings()
{
    // After a failed save the settings in hand hold what the file could not
    // take; reading the file again would drop those changes.
    if (saveFailed_ && preferenceInfo_) {
        return std::make_shared<PerferenceInfo>(preferenceInfo_->dataDict());
    }
    return std::make_shared<PerferenceInfo>();
}

WhiteListTypeControllerView* PreferenceViewController::whiteListFileTypeView()
{
    if (!whiteListFileTypeView_) {
        whiteListFileTypeView_ = new WhiteListTypeControllerView(ui_->whiteFileTypeBox);
        whiteListFileTypeView_->hide();
        orderWhiteListControls();
    }
    return whiteListFileTypeView_;
}

WhiteListDetailControllerView* PreferenceViewController::whiteListDetailView()
{
    if (!whiteListDetailView_) {
        whiteListDetailView_ = new WhiteListDetailControllerView(ui_->whiteListBox);
        whiteListDetailView_->hide();
        orderWhiteListControls();
    }
    return whiteListDetailView_;
}

void PreferenceViewController::orderWhiteListControls()
{
    // The lists come after the page's buttons were made; Tab meets them in
    // the order they are seen: categories, paths, then add and delete.
    if (!whiteListFileTypeView_ || !whiteListDetailView_) {
        return;
    }
    QWidget::setTabOrder(whiteListFileTypeView_->listView(), whiteListDetailView_->listView());
    QWidget::setTabOrder(whiteListDetailView_->listView(), ui_->addFileButton);
    QWidget::setTabOrder(ui_->addFileButton, ui_->deleteFileButton);
}

QString PreferenceViewController::pageTitle() const
{
    return ui_->windowTitle->text();
}

// ---- set-up ------------------------------------------------------------------

void PreferenceViewController::colourSurfaces()
{
    ui_->topSelectView->setBackgroundColor(assetColor(QStringLiteral("PreferenceViewTopBGColor")));
    for (RYTView* page : {ui_->genaralView, ui_->whiteListView, ui_->repeatFileView, ui_->similarImageView}) {
        page->setBackgroundColor(assetColor(QStringLiteral("PreferenceViewBGColor")));
    }
    ui_->shadowView->setBackgroundColor(assetColor(QStringLiteral("PreferenceShadowColor")));
    setTextColor(ui_->windowTitle, assetColor(QStringLiteral("TitleLabelColor")));
}

void PreferenceViewController::colourTabs()
{
    const std::pair<RYSelectView*, QLabel*> tabs[] = {{ui_->generalSelectView, ui_->generalTitle},
                                                      {ui_->whiteListSelectView, ui_->whiteListTitle},
                                                      {ui_->repeatFileSelectView, ui_->repeatFileTitle},
                                                      {ui_->similarImageSelectView, ui_->similarImageTitle}};
    for (const auto& [tab, title] : tabs) {
        tab->setSelectedColor(gridColor());
        setTextColor(title, assetColor(tab->selected() ? QStringLiteral("PreferenceSelectedColor")
                                                       : QStringLiteral("PreferenceDefaultColor")));
    }
}

void PreferenceViewController::colourPageTexts()
{
    const QColor text = assetColor(QStringLiteral("PreferenceDefaultColor"));
    for (QLabel* label :
         {ui_->maxFileSizeLabel, ui_->minFileSizeLabel, ui_->hiddenFileLabel, ui_->zeroByteFileLabel,
          ui_->fileSizeLabel, ui_->ignoreScanLabel, ui_->similarImageMaxFileSizeLabel,
          ui_->similarImageMinFileSizeLabel, ui_->similarImageFileSizeLabel, ui_->repeatFileLabel, ui_->videoLabel,
          ui_->audioLabel, ui_->photoLabel, ui_->fileLabel, ui_->otherLabel, ui_->silmiarImageSliderLabel,
          ui_->silmiarImageSliderValueLabel, ui_->whiteListTipLabel}) {
        setTextColor(label, text);
    }
    for (RYTButton* step : {ui_->sliderReduceBtn, ui_->sliderAddBtn}) {
        step->setTitleColor(text, text, text, text);
    }
}

void PreferenceViewController::followAppearance()
{
    colourSurfaces();
    colourTabs();
    colourPageTexts();
    colourSizeBlocks();
    for (QWidget* box : {ui_->whiteFileTypeBox, ui_->whiteListBox}) {
        static_cast<RYTView*>(box)->setBorderColor(assetColor(QStringLiteral("PreferenceBoderColor")));
    }
}

bool PreferenceViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && tabViews().contains(qobject_cast<RYSelectView*>(watched))) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->modifiers() & ~Qt::KeypadModifier) && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
            chooseTabByKey(key->key() == Qt::Key_Left ? -1 : 1, false);
            return true;
        }
    }
    return ViewController::eventFilter(watched, event);
}

void PreferenceViewController::viewDidLoad()
{
    colourSurfaces();

    for (PopUpButton* popup : {ui_->maxByteTypeBox, ui_->minByteTypeBox, ui_->similarImageMaxByteTypeBox,
                               ui_->similarImageMinByteTypeBox}) {
        popup->addItems(unitTitles());
    }
    recountFileTypes();

    monitor_ = std::make_unique<ZWEventMonitor>(ZWEventMonitorTypeLocal, 2, [this](QWidget* target, QEvent* event) {
        clickHandler(target, event);
    });
    connectActions();
    setTopView();
    setUpKeyboard();

    ui_->generalSelectView->setBackgroundColor(Qt::transparent);
    ui_->generalSelectView->setSelectedColor(gridColor());
    ui_->generalSelectView->setSelected(true);
    setTextColor(ui_->generalTitle, assetColor(QStringLiteral("PreferenceSelectedColor")));
    ui_->mainBox->setCurrentWidget(ui_->genaralView);
    // Setting `selected` from code runs no callback, so the General page is
    // loaded here, before the user can click anywhere.
    chooseTab(ui_->generalSelectView);
    RYTAppearanceFollower::follow(this, [this] { followAppearance(); });
}

void PreferenceViewController::connectActions()
{
    connect(ui_->maxSelectBox, &RYTCheckBox::clicked, this, &PreferenceViewController::maxSelectAction);
    connect(ui_->minSelectBox, &RYTCheckBox::clicked, this, &PreferenceViewController::minSelectAction);
    connect(ui_->similarImageMaxSelectBox, &RYTCheckBox::clicked, this,
            &PreferenceViewController::similarImageMaxSelectAction);
    connect(ui_->similarImageMinSelectBox, &RYTCheckBox::clicked, this,
            &PreferenceViewController::similarImageMinSelectAction);
    connect(ui_->hiddenFile, &RYTCheckBox::clicked, this, &PreferenceViewController::hiddenFileAction);
    connect(ui_->zeroByteFile, &RYTCheckBox::clicked, this, &PreferenceViewController::zeroByteFileAction);
    connect(ui_->video, &RYTCheckBox::clicked, this, &PreferenceViewController::videoAction);
    connect(ui_->voice, &RYTCheckBox::clicked, this, &PreferenceViewController::audioAction);
    connect(ui_->photo, &RYTCheckBox::clicked, this, &PreferenceViewController::photoAction);
    connect(ui_->file, &RYTCheckBox::clicked, this, &PreferenceViewController::fileAction);
    connect(ui_->other, &RYTCheckBox::clicked, this, &PreferenceViewController::otherAction);
    connect(ui_->addFileButton, &RYTButton::clicked, this, &PreferenceViewController::addWhiteListPathAction);
    connect(ui_->deleteFileButton, &RYTButton::clicked, this, &PreferenceViewController::deleteWhiteListPathAction);
    connect(ui_->sliderReduceBtn, &RYTButton::clicked, this, &PreferenceViewController::sliderReduceBtnAction);
    connect(ui_->sliderAddBtn, &RYTButton::clicked, this, &PreferenceViewController::sliderAddBtnAction);

    for (QLineEdit* field : {ui_->maxFileSize, ui_->minFileSize, ui_->similarImageMaxFileSize,
                             ui_->similarImageMinFileSize}) {
        connect(field, &QLineEdit::editingFinished, this, &PreferenceViewController::controlTextDidEndEditing);
        connect(field, &QLineEdit::textEdited, this,
                [this, field](const QString& text) { sizeTextEdited(field, text); });
        field->setMaxLength(64);
    }

    // A value shown is a value stored: a drag is stored when the knob is let
    // go, a keyboard step or a wheel turn at once.
    ui_->slider->setTracking(true);
    connect(ui_->slider, &QSlider::valueChanged, this, [this] {
        if (!loading_ && !ui_->slider->isSliderDown()) {
            sliderClick();
        }
    });
    connect(ui_->slider, &QSlider::sliderReleased, this, [this] {
        if (!loading_) {
            sliderClick();
        }
    });

    for (RYTButton* step : {ui_->sliderReduceBtn, ui_->sliderAddBtn}) {
        const QColor mark = assetColor(QStringLiteral("PreferenceDefaultColor"));
        step->setTitleColor(mark, mark, mark, mark);
        step->setCornerRadius(4);
        step->setCursor(Qt::PointingHandCursor);
    }
    ui_->sliderReduceBtn->setTitle(QStringLiteral("\u2212"));
    ui_->sliderAddBtn->setTitle(QStringLiteral("+"));
}

void PreferenceViewController::viewWillAppear()
{
    // Opening the window is no close: a sheet may show again.
    isClose_ = 0;
    if (monitor_) {
        monitor_->start();
    }
}

void PreferenceViewController::viewWillDisappear()
{
    isClose_ = 1;
    {
        const PreferenceActionScope scope = beginAction();
        oldSaveFileSize();
        similarImageSaveFileSize();
        saveIfChanged();
    }
    // A window that is not shown watches no clicks: it would otherwise save
    // its old settings over later changes.
    if (monitor_) {
        monitor_->stop();
    }
    // A sheet of this window goes with it rather than wait for its return.
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    if (sheet && sheet->isShowing() && sheet->window() && sheet->window()->window() == window()) {
        SheetWindowController::endSheet();
    }
}

// ---- tabs --------------------------------------------------------------------

void PreferenceViewController::setTopView()
{
    ui_->generalTitle->setText(localized("General"));
    ui_->whiteListTitle->setText(localized("White List"));
    ui_->repeatFileTitle->setText(localized("Duplicate Files"));
    ui_->similarImageTitle->setText(localized("Similar Images"));
    setIcon(ui_->generalImageName, QStringLiteral("general"));
    setIcon(ui_->whiteListImageName, QStringLiteral("whiteList"));
    setIcon(ui_->repeatFileImageName, QStringLiteral("repeatFlie"));
    setIcon(ui_->similarImageImageName, QStringLiteral("similarImage"));
    for (RYSelectView* tab : {ui_->generalSelectView, ui_->whiteListSelectView, ui_->repeatFileSelectView,
                              ui_->similarImageSelectView}) {
        tab->setBackgroundColor(Qt::transparent);
        tab->setCornerRadius(QSizeF(6, 6));
        tab->setSelectedColor(gridColor());
        tab->viewDidSelected = [this](RYSelectView* view, bool selected) {
            if (selected) {
                chooseTab(view);
            }
        };
    }
}

QList<RYSelectView*> PreferenceViewController::tabViews() const
{
    return {ui_->generalSelectView, ui_->whiteListSelectView, ui_->repeatFileSelectView,
            ui_->similarImageSelectView};
}

void PreferenceViewController::setUpKeyboard()
{
    // The strip is one stop of Tab, the chosen tab (chooseTab() moves it);
    // the arrows choose the tab beside it, as on a tab bar.
    for (RYSelectView* tab : tabViews()) {
        tab->installEventFilter(this);
    }
    // Wherever the focus is in the window, also on a control that takes
    // these keys itself (the slider pages on Ctrl+PgDn).
    const struct {
        QKeyCombination key;
        int step;
    } switches[] = {
        {Qt::CTRL | Qt::Key_Tab, 1},
        {Qt::CTRL | Qt::Key_PageDown, 1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, -1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1},
        {Qt::CTRL | Qt::Key_PageUp, -1},
    };
    for (const auto& entry : switches) {
        auto* shortcut = new QShortcut(QKeySequence(entry.key), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        const int step = entry.step;
        connect(shortcut, &QShortcut::activated, this, [this, step] { chooseTabByKey(step, true); });
    }
}

void PreferenceViewController::chooseTabByKey(int step, bool wrap)
{
    const QList<RYSelectView*> tabs = tabViews();
    int chosen = 0;
    for (int i = 0; i < tabs.size(); ++i) {
        if (tabs.at(i)->selected()) {
            chosen = i;
        }
    }
    int next = chosen + step;
    if (wrap) {
        next = (next % int(tabs.size()) + int(tabs.size())) % int(tabs.size());
    }
    if (next < 0 || next >= tabs.size() || next == chosen) {
        return;
    }
    // As a click on it: the click monitor's saves first (a change stored but
    // not yet saved would be lost to the page loader's fresh read), then the
    // tab.
    RYSelectView* tab = tabs.at(next);
    {
        const PreferenceActionScope scope = beginAction();
        oldSaveFileSize();
        similarImageSaveFileSize();
        saveIfChanged();
    }
    QWidget* focused = QApplication::focusWidget();
    const bool focusInPage = focused && ui_->mainBox->isAncestorOf(focused);
    tab->click();
    // From a control of the old page the focus goes to the new page's
    // first, not to whichever lies next to the old one in the chain.
    QWidget* page = ui_->mainBox->currentWidget();
    for (QWidget* w = tab->nextInFocusChain(); focusInPage && w && w != tab; w = w->nextInFocusChain()) {
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

void PreferenceViewController::chooseTab(RYSelectView* chosen)
{
    struct Tab {
        RYSelectView* view;
        QLabel* title;
        QLabel* icon;
        const char* chosenIcon;
        const char* plainIcon;
        QWidget* page;
    };
    const Tab tabs[] = {
        {ui_->generalSelectView, ui_->generalTitle, ui_->generalImageName, "general_1", "general", ui_->genaralView},
        {ui_->whiteListSelectView, ui_->whiteListTitle, ui_->whiteListImageName, "whiteList_1", "whiteList",
         ui_->whiteListView},
        {ui_->repeatFileSelectView, ui_->repeatFileTitle, ui_->repeatFileImageName, "repeatFile_1", "repeatFlie",
         ui_->repeatFileView},
        {ui_->similarImageSelectView, ui_->similarImageTitle, ui_->similarImageImageName, "similarImage_1",
         "similarImage", ui_->similarImageView},
    };
    // A tab that had the focus hands it to the one chosen now.
    const QList<RYSelectView*> views = tabViews();
    RYSelectView::makeTabStop(chosen, QList<QWidget*>(views.cbegin(), views.cend()));
    for (const Tab& tab : tabs) {
        const bool isChosen = tab.view == chosen;
        tab.view->setCanSelected(!isChosen);
        tab.view->setSelected(isChosen);
        setTextColor(tab.title, assetColor(isChosen ? QStringLiteral("PreferenceSelectedColor")
                                                    : QStringLiteral("PreferenceDefaultColor")));
        setIcon(tab.icon, QString::fromLatin1(isChosen ? tab.chosenIcon : tab.plainIcon));
        if (isChosen) {
            ui_->mainBox->setCurrentWidget(tab.page);
        }
    }
    if (chosen == ui_->generalSelectView) {
        generalViewInit();
    } else if (chosen == ui_->whiteListSelectView) {
        whiteListViewInit();
    } else if (chosen == ui_->repeatFileSelectView) {
        setRepeatFileState();
    } else if (chosen == ui_->similarImageSelectView) {
        setUpSlider();
        similarImageGeneralViewInit();
    }
}

// ---- General and Similar Images pages ---------------------------------------

void PreferenceViewController::generalViewInit()
{
    const QScopedValueRollback<bool> loading(loading_, true);
    ui_->windowTitle->setText(localized("General"));
    reloadSettings();
    ui_->fileSizeLabel->setText(localized("File size"));
    ui_->maxFileSizeLabel->setText(localized("Max"));
    ui_->minFileSizeLabel->setText(localized("Min"));
    ui_->ignoreScanLabel->setText(localized("Ignore scan"));
    ui_->hiddenFileLabel->setText(localized("Hidden files"));
    ui_->zeroByteFileLabel->setText(localized("Zero-byte files"));
    const QColor text = assetColor(QStringLiteral("PreferenceDefaultColor"));
    for (QLabel* label : {ui_->maxFileSizeLabel, ui_->minFileSizeLabel, ui_->hiddenFileLabel,
                          ui_->zeroByteFileLabel, ui_->fileSizeLabel, ui_->ignoreScanLabel}) {
        setTextColor(label, text);
    }
    loadSizeBlock(false);
    ui_->hiddenFile->setState(preferenceInfo()->omitHiddenFile() ? RYTCheckBox::stateOn : RYTCheckBox::stateOff);
    ui_->zeroByteFile->setState(preferenceInfo()->omitZeroByteFile() ? RYTCheckBox::stateOn
                                                                      : RYTCheckBox::stateOff);
}

void PreferenceViewController::similarImageGeneralViewInit()
{
    const QScopedValueRollback<bool> loading(loading_, true);
    ui_->windowTitle->setText(localized("Similar Images"));
    ui_->similarImageMaxFileSizeLabel->setText(localized("Max"));
    ui_->similarImageMinFileSizeLabel->setText(localized("Min"));
    ui_->similarImageFileSizeLabel->setText(localized("File size"));
    const QColor text = assetColor(QStringLiteral("PreferenceDefaultColor"));
    for (QLabel* label : {ui_->similarImageMaxFileSizeLabel, ui_->similarImageMinFileSizeLabel,
                          ui_->similarImageFileSizeLabel}) {
        setTextColor(label, text);
    }
    loadSizeBlock(true);
}

// ---- Duplicate Files page -----------------------------------------------------

void PreferenceViewController::recountFileTypes()
{
    const auto settings = preferenceInfo();
    selectCount_ = int(settings->omitVideo()) + int(settings->omitAudio()) + int(settings->omitPicture()) +
                   int(settings->omitDocument()) + int(settings->omitOther());
}

void PreferenceViewController::setRepeatFileState()
{
    const QScopedValueRollback<bool> loading(loading_, true);
    ui_->windowTitle->setText(localized("Duplicate Files"));
    reloadSettings();
    const QColor text = assetColor(QStringLiteral("PreferenceDefaultColor"));
    setTextColor(ui_->repeatFileLabel, text);
    ui_->repeatFileLabel->setText(localized("Duplicate File Types"));
    const auto settings = preferenceInfo();
    const struct {
        QLabel* label;
        const char* caption;
        RYTCheckBox* box;
        bool on;
    } rows[] = {
        {ui_->videoLabel, "Video", ui_->video, settings->omitVideo()},
        {ui_->audioLabel, "Audio", ui_->voice, settings->omitAudio()},
        {ui_->photoLabel, "Image", ui_->photo, settings->omitPicture()},
        {ui_->fileLabel, "Document", ui_->file, settings->omitDocument()},
        {ui_->otherLabel, "Others", ui_->other, settings->omitOther()},
    };
    for (const auto& row : rows) {
        row.label->setText(localized(row.caption));
        setTextColor(row.label, text);
        row.box->setState(row.on ? RYTCheckBox::stateOn : RYTCheckBox::stateOff);
    }
    // The "at least one" rule judges what the boxes show, so the count is
    // taken again from the file just read.
    recountFileTypes();
}

void PreferenceViewController::fileTypeAction(RYTCheckBox* box, const QString& key)
{
    const PreferenceActionScope scope = beginAction();
    if (box->state() == RYTCheckBox::stateOn) {
        store(key, true);
        ++selectCount_;
        save();
        return;
    }
    --selectCount_;
    if (selectCount_ <= 0) {
        if (QWidget* parent = sheetWindow()) {
            const QString message = localized("Please select at least one file type.");
            SheetWindowController::beginSheet(SheetWindowController::SheetActionType::determine, message,
                                              localized("OK"), QString(), parent, nullptr, nullptr);
            emit sheetShown(message);
        }
        box->setState(RYTCheckBox::stateOn);
        store(key, true);
        selectCount_ = qMax(selectCount_ + 1, 1);
        save();
        return;
    }
    store(key, false);
    save();
}

void PreferenceViewController::videoAction()
{
    fileTypeAction(ui_->video, QStringLiteral("video"));
}

void PreferenceViewController::audioAction()
{
    fileTypeAction(ui_->voice, QStringLiteral("audio"));
}

void PreferenceViewController::photoAction()
{
    fileTypeAction(ui_->photo, QStringLiteral("photo"));
}

void PreferenceViewController::fileAction()
{
    fileTypeAction(ui_->file, QStringLiteral("file"));
}

void PreferenceViewController::otherAction()
{
    fileTypeAction(ui_->other, QStringLiteral("other"));
}

// ---- similarity --------------------------------------------------------------

void PreferenceViewController::setUpSlider()
{
    const QScopedValueRollback<bool> loading(loading_, true);
    ImageSlider* slider = ui_->slider;
    {
        const QSignalBlocker quiet(slider);
        slider->setOrientation(Qt::Horizontal);
        slider->setMaximum(100);
        slider->setMinimum(20);
        slider->setSingleStep(1);
        slider->setPageStep(5);
        slider->setValue(preferenceInfo()->threshold());
    }
    ui_->silmiarImageSliderLabel->setText(localized("Similarity Threshold"));
    setTextColor(ui_->silmiarImageSliderLabel, assetColor(QStringLiteral("PreferenceDefaultColor")));
    ui_->silmiarImageSliderValueLabel->setText(QStringLiteral("%1%").arg(slider->value()));
    setTextColor(ui_->silmiarImageSliderValueLabel, assetColor(QStringLiteral("PreferenceDefaultColor")));
    slider->setImageSliderProtocol(this);
    slider->setImage(RYTImage::named(QStringLiteral("SliderImage")));
}

void PreferenceViewController::imageSliderValueDidChange()
{
    ui_->silmiarImageSliderValueLabel->setText(QStringLiteral("%1%").arg(ui_->slider->value()));
}

void PreferenceViewController::sliderReduceBtnAction()
{
    stepThreshold(-1);
}

void PreferenceViewController::sliderAddBtnAction()
{
    stepThreshold(1);
}

void PreferenceViewController::stepThreshold(int step)
{
    // The slider takes the value as from its own keys: its label follows
    // and its action stores it. At an end nothing changes and nothing is
    // stored, as there.
    ImageSlider* slider = ui_->slider;
    slider->setValue(qBound(slider->minimum(), slider->value() + step, slider->maximum()));
}

void PreferenceViewController::sliderClick()
{
    const PreferenceActionScope scope = beginAction();
    const int value = ui_->slider->value();
    store(QStringLiteral("threshold"), QString::number(value));
    save();
    std::printf("slider.value is %%d %d\n", value);
    std::fflush(stdout);
}

// ---- saving and messages -----------------------------------------------------

void PreferenceViewController::store(const QString& key, const QVariant& value)
{
    PlistDict& dict = preferenceInfo()->dataDict();
    const QVariant old = dict.value(key);
    if (!dict.contains(key) || old.typeId() != value.typeId() || old != value) {
        unsaved_ = true;
    }
    dict.insert(key, value);
}

void PreferenceViewController::saveIfChanged()
{
    // Clicks, the end of editing and closing save only what changed, so a
    // file edited by hand meanwhile keeps its edits while the user merely
    // clicks around.
    if (unsaved_ || saveFailed_) {
        save();
    } else {
        flushSizeSheet();
    }
}

void PreferenceViewController::save()
{
    // A size sheet of this action shows first, so a failure notice is what
    // stays on screen.
    flushSizeSheet();
    // The file is written on a worker: a long white list, or a disk that
    // takes its time to flush, never holds up the window.
    unsaved_ = false;
    preferenceInfo()->setPerenceInfoInBackground(this, [this](bool written) { saveFinished(written); });
}

void PreferenceViewController::saveFinished(bool written)
{
    if (!written && !saveFailed_) {
        showNotice(localized("Your settings could not be saved to “%1”. They stay as you set them here and are "
                             "saved again with your next change.")
                       .arg(PerferenceInfo::settingsPath()));
    }
    saveFailed_ = !written;
}

QWidget* PreferenceViewController::sheetWindow() const
{
    QWidget* top = window();
    return top && top->isVisible() ? top : nullptr;
}

PreferenceActionScope PreferenceViewController::beginAction()
{
    return PreferenceActionScope(actionDepth_, [this] { flushSizeSheet(); });
}

void PreferenceViewController::requestSizeSheet(SheetRule rule)
{
    if (rule == SheetRule::unlessClosing && isClose_ == 1) {
        return;
    }
    sheetPending_ = true;
}

void PreferenceViewController::flushSizeSheet()
{
    if (!sheetPending_) {
        return;
    }
    sheetPending_ = false;
    showSizeSheet();
}

void PreferenceViewController::showSizeSheet()
{
    QWidget* parent = sheetWindow();
    if (!parent) {
        return;
    }
    const QString message =
        localized("Maximum value must be greater than or equal to minimum value. Please enter again.");
    SheetWindowController::beginSheet(SheetWindowController::SheetActionType::determine, message, localized("OK"),
                                      QString(), parent, nullptr, nullptr);
    emit sheetShown(message);
}

void PreferenceViewController::showNotice(const QString& message)
{
    // While the window closes its own sheets would go with it.
    QWidget* parent = isClose_ == 1 ? ModalOverlay::applicationMainWindow() : sheetWindow();
    if (!parent) {
        parent = ModalOverlay::applicationMainWindow();
    }
    if (parent) {
        SheetWindowController::beginSheet(SheetWindowController::SheetActionType::determine, message,
                                          localized("OK"), QString(), parent, nullptr, nullptr);
    }
    emit sheetShown(message);
}

// ---- clicks ------------------------------------------------------------------

void PreferenceViewController::clickHandler(QWidget* target, QEvent* event)
{
    if (!event || ZWEventMonitor::maskOf(event) != ZWEventMonitor::leftMouseDown) {
        return;
    }
    // Clicks into the two General size fields leave their editing alone.
    for (QLineEdit* field : {ui_->maxFileSize, ui_->minFileSize}) {
        if (target && field->isVisible() && (target == field || field->isAncestorOf(target))) {
            return;
        }
    }
    // The close button is the window manager's, outside this view: closing
    // is told apart by viewWillDisappear(), so a click is never a close.
    isClose_ = 0;
    const PreferenceActionScope scope = beginAction();
    oldSaveFileSize();
    similarImageSaveFileSize();
    saveIfChanged();
}
