#pragma once

#include <functional>
#include <memory>

#include <QPointer>

#include "WindowController.h"

class QLabel;
class QHBoxLayout;
class QTextEdit;
class RYTButton;
class RYTCheckBox;

namespace Ui {
class SheetWindowController;
}

// The program's one confirmation and notice dialog: an exclamation image, a
// message and one or two buttons on a veil over the parent window. The
// user's choice reaches the completion handler of the sheet that asked,
// exactly once. Texts are shown as passed (callers localise them).
class SheetWindowController : public WindowController {
    Q_OBJECT
public:
    enum class SheetActionType { determine = 0, uncertain = 1, filterFlag = 2 };
    using CompletionHandler = std::function<void(int)>;

    SheetWindowController();
    ~SheetWindowController() override;

    // Shows a sheet over `parentWindow`. The first title answers 1; with two
    // buttons the second answers 0 (the second title is ignored for
    // `determine`). `showPoint`, for `filterFlag`, is a caller-owned flag
    // that the check box writes on every click; it must stay valid until the
    // handler has run. A sheet still showing is first ended with its default
    // answer. Without a parent window nothing shows and the handler gets the
    // default answer.
    static void beginSheet(SheetActionType type, const QString& message, const QString& firstTitle,
                           const QString& secondTitle, QWidget* parentWindow, bool* showPoint,
                           CompletionHandler completionHandler);
    // A notice with one "OK" that also carries a text for the user to copy
    // (an address the desktop could not open), whole, in a read-only field
    // of its own under the message.
    static void beginNotice(const QString& message, const QString& copyableText, QWidget* parentWindow);
    // Fades the tracked sheet out, then answers `response`.
    static void endSheet(int response);
    // Closes the tracked sheet at once, answering its default response first.
    static void endSheet();

    static void showContentSureExitApp(CompletionHandler completionHandler);
    static void showContentFileNotExist();
    static void showContentFolderNotExist();

    // The sheet the static operations act on (null when none was begun).
    static SheetWindowController* globalSheetController();

    SheetActionType sheetType() const { return sheetType_; }
    // 1 for `determine`, 0 for the two-button kinds.
    int defaultResponse() const { return sheetType_ == SheetActionType::determine ? 1 : 0; }
    bool* showPoint() const { return showPoint_; }
    // Shown and not yet answered.
    bool isShowing() const { return phase_ == Phase::showing; }

    // The parts of the sheet, for the screens' tests and looks.
    QLabel* imageView();
    QLabel* labelTextField();
    RYTButton* determineBtn();
    RYTButton* uncertainBtn();
    RYTCheckBox* checkbox() const;
    // The field of a notice's text to copy (null on other sheets).
    QTextEdit* copyableField() const { return copyableField_; }
    QLabel* askLabel() const;
    QWidget* askContainer() const;

    void windowDidLoad() override;

    // The answer of Escape: the cancelling button's, or the only button's
    // on a notice.
    int cancelResponse() const { return sheetType_ == SheetActionType::determine ? 1 : 0; }

protected:
    // Return answers the default button, Escape the cancelling one,
    // whichever control has the focus; Space presses the one in focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void determineAction();
    void uncertainAction();
    void checkBoxAction();

private:
    enum class Phase { idle, showing, ending, closed };

    static void begin(SheetActionType type, const QString& message, const QString& firstTitle,
                      const QString& secondTitle, QWidget* parentWindow, bool* showPoint,
                      CompletionHandler completionHandler, const QString& copyableText);
    void setUp(SheetActionType type, const QString& message, const QString& firstTitle,
               const QString& secondTitle, bool* showPoint, CompletionHandler handler, const QString& copyableText);
    void addCopyableField(const QString& text);
    void endWith(int response);
    void endNow();
    void markClosed();
    void alignTallMessage();

    std::unique_ptr<Ui::SheetWindowController> ui_;
    bool* showPoint_ = nullptr;
    CompletionHandler completionHandler_;
    SheetActionType sheetType_ = SheetActionType::determine;
    Phase phase_ = Phase::idle;
    bool deleteWhenClosed_ = false;
    QLabel* imageView_ = nullptr;
    QLabel* labelTextField_ = nullptr;
    RYTButton* determineBtn_ = nullptr;
    RYTButton* uncertainBtn_ = nullptr;
    QHBoxLayout* buttonRow_ = nullptr;
    QTextEdit* copyableField_ = nullptr;
};
