#pragma once

#include <functional>
#include <memory>

#include <QHash>
#include <QPointer>
#include <QStringList>

#include "ImageSlider.h"
#include "View/CustomView/PopUpButton.h"
#include "View/Extension/KPLExtensionView.h"

class PerferenceInfo;
class PreferenceActionScope;
class QEvent;
class QLineEdit;
class RYSelectView;
class RYTCheckBox;
class WhiteListDetailControllerView;
class WhiteListTypeControllerView;
class ZWEventMonitor;

namespace Ui {
class PreferenceViewController;
}

// The content of the preferences window: a strip of four tabs (General,
// White List, Duplicate Files, Similar Images) over the chosen page. Every
// change is written into the settings and saved at once; there is no OK or
// Cancel. Pages read the settings file again when their tab is chosen.
class PreferenceViewController : public ViewController, public PopUpButtonDelegate, public ImageSliderProtocol {
    Q_OBJECT
public:
    explicit PreferenceViewController(QWidget* parent = nullptr);
    ~PreferenceViewController() override;

    // Chooses files and folders for a white list and answers once, with
    // whether the user confirmed and the absolute paths chosen. Tests put a
    // scripted chooser in place of the file dialog.
    using PathChooser = std::function<void(QWidget* parent, std::function<void(bool ok, const QStringList& paths)>)>;
    static void setPathChooserForTesting(PathChooser chooser);

    // The window shows the view: clicks are watched from now on.
    void viewWillAppear();
    // The window closes by any means: the size fields end editing and are
    // saved as a click on the close button would, then clicks are no longer
    // watched.
    void viewWillDisappear();

    // The settings every page reads and every action writes through; made
    // on first use.
    std::shared_ptr<PerferenceInfo> preferenceInfo();
    WhiteListTypeControllerView* whiteListFileTypeView();
    WhiteListDetailControllerView* whiteListDetailView();
    int selectCount() const { return selectCount_; }
    int isClose() const { return isClose_; }
    int index() const { return index_; }
    int maxByteType() const { return maxByteType_; }
    int minByteType() const { return minByteType_; }
    int similarImageMaxByteType() const { return similarImageMaxByteType_; }
    int similarImageMinByteType() const { return similarImageMinByteType_; }
    ZWEventMonitor* monitor() const { return monitor_.get(); }
    // The last note shown at a size field that refused a change.
    QString fieldNote() const { return fieldNote_; }
    // The current page, for the window's title.
    QString pageTitle() const;

    // --- tabs and page loaders ---------------------------------------------
    void setTopView();
    void generalViewInit();
    void similarImageGeneralViewInit();
    void setRepeatFileState();
    void whiteListViewInit();
    void setUpSlider();

    // --- size limits --------------------------------------------------------
    void maxSelectAction();
    void minSelectAction();
    void similarImageMaxSelectAction();
    void similarImageMinSelectAction();
    void popupButtonSelect(PopUpButton* button, const QString& title) override;
    void controlTextDidEndEditing();
    void oldSaveFileSize();
    void similarImageSaveFileSize();
    void hiddenFileAction();
    void zeroByteFileAction();

    // --- file types ---------------------------------------------------------
    void videoAction();
    void audioAction();
    void photoAction();
    void fileAction();
    void otherAction();

    // --- white lists --------------------------------------------------------
    void addWhiteListPathAction();
    void deleteWhiteListPathAction();

    // --- similarity ---------------------------------------------------------
    void imageSliderValueDidChange() override;
    void sliderClick();
    // The minus and plus beside the slider: one step down or up, within the
    // slider's range, stored as a step of the slider itself is.
    void sliderReduceBtnAction();
    void sliderAddBtnAction();

    // The monitor's handler: every left press of the program while shown.
    void clickHandler(QWidget* target, QEvent* event);

    // A unit text's code: 1 "KB", 2 "MB", 3 anything else.
    static int unitCode(const QString& unit);
    // A size text as a number: an optional sign and digits within 64 bits,
    // anything else 0.
    static qint64 sizeNumber(const QString& text);
    // The longest size text a field takes: 3 digits on General, 18 on
    // Similar Images.
    static int sizeDigitLimit(bool similarImages) { return similarImages ? 18 : 3; }

signals:
    // A sheet or notice was asked for (tests follow the texts).
    void sheetShown(const QString& message);

private:
    struct SizeSide;
    struct SizeBlock;
    enum class SheetRule { always, unlessClosing };

    void viewDidLoad();
    // The colours that follow the appearance, given again when the desktop
    // switches it while the window lives (it lives as long as the program).
    void followAppearance();
    void colourSurfaces();
    void colourTabs();
    void colourPageTexts();
    void colourSizeBlocks();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void connectActions();
    // Every control a mouse can use takes the focus by Tab and shows the
    // focus ring; the pages switch by Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn
    // and Ctrl+PgUp, and by the arrows on the tab in focus.
    void setUpKeyboard();
    QList<RYSelectView*> tabViews() const;
    // What a click on the tab does, from a key: `step` tabs on from the
    // chosen one, round the end when `wrap`.
    void chooseTabByKey(int step, bool wrap);
    void stepThreshold(int step);
    void orderWhiteListControls();
    void chooseTab(RYSelectView* tab);
    void reloadSettings();
    std::shared_ptr<PerferenceInfo> freshSettings();
    void save();
    void saveFinished(bool written);
    void saveIfChanged();
    void showSizeSheet();
    // Every user action runs in one: it shows at most one size sheet.
    [[nodiscard]] PreferenceActionScope beginAction();
    void requestSizeSheet(SheetRule rule);
    void flushSizeSheet();
    void showNotice(const QString& message);
    QWidget* sheetWindow() const;

    SizeBlock generalBlock();
    SizeBlock similarBlock();
    void loadBlock(SizeBlock& block);
    void loadSizeBlock(bool similarImages);
    void applyLook(SizeSide& side, bool on);
    void selectAction(SizeBlock& block, bool maxSide);
    void saveFileSize(SizeBlock& block);
    void compareInBytes(SizeBlock& block, SizeSide& changed, SizeSide& other, SheetRule rule, bool keepCopies);
    void takeOtherSide(SizeSide& changed, SizeSide& other, bool keepCopies);
    static void showUnit(PopUpButton* popup, const QString& unit);
    void store(const QString& key, const QVariant& value);
    void sizeTextEdited(QLineEdit* field, const QString& text);
    void rememberFieldText(QLineEdit* field);

    void fileTypeAction(RYTCheckBox* box, const QString& key);
    void recountFileTypes();
    void categoryClick();
    void pathClick();
    // Shows the chosen category's paths from `settings`.
    void refreshPathList(std::shared_ptr<PerferenceInfo> settings);
    void addChosenPaths(const QStringList& chosen);
    void setBoxBorder(QWidget* box, bool bordered);

    std::unique_ptr<Ui::PreferenceViewController> ui_;
    int similarImageMaxByteType_ = 0;
    int similarImageMinByteType_ = 0;
    int selectCount_ = 0;
    int isClose_ = 0;
    int index_ = -1;
    int maxByteType_ = 0;
    int minByteType_ = 0;
    std::unique_ptr<ZWEventMonitor> monitor_;
    std::shared_ptr<PerferenceInfo> preferenceInfo_;
    QPointer<WhiteListTypeControllerView> whiteListFileTypeView_;
    QPointer<WhiteListDetailControllerView> whiteListDetailView_;

    // At most one size sheet per action; set while an action runs.
    bool sheetPending_ = false;
    int actionDepth_ = 0;
    // True while the last save failed: the settings in hand hold what the
    // file could not take, so pages keep them instead of reading the file.
    bool saveFailed_ = false;
    // The settings hold a change the file has not taken yet.
    bool unsaved_ = false;
    // While a page loads, nothing it sets may be taken for a user's change.
    bool loading_ = false;
    QHash<QLineEdit*, QString> acceptedText_;
    QString fieldNote_;
};
