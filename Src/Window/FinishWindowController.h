#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QStringList>

#include "WindowController.h"

class QFrame;
class QLabel;
class RYTButton;

namespace Lottie {
class AnimationView;
}

namespace Ui {
class FinishWindowController;
}

// The window that ends every removal: the waste-basket animation, a
// headline, the space freed, the number of files removed, the elapsed time
// and a "Done" button, on a white card.
//
// Callers, in this order: make it; setIsDupImages (similar-image removals
// only); loadWindow(); windowDidLoad(); showDataInfo(…) (from any thread);
// setCompletionHandler(…); then ModalOverlay::beginSheet(window, controller,
// true). The button (or Return, or Space) ends the overlay and answers 1,
// once. The caller owns the controller (give it a QObject parent); the
// window goes with it.
class FinishWindowController : public WindowController {
    Q_OBJECT
public:
    using CompletionHandler = std::function<void(int response)>;

    explicit FinishWindowController(QObject* parent = nullptr);
    ~FinishWindowController() override;

    bool isDupImages() const { return isDupImages_; }
    void setIsDupImages(bool value) { isDupImages_ = value; }

    // Makes the window from its layout (once).
    void loadWindow();
    // Sends the large-file completion event and fills the window; runs once.
    void windowDidLoad() override;
    // The texts as the caller formatted them; the labels change on the main
    // thread, and not at all once the controller is gone.
    void showDataInfo(const QString& filesSize, const QString& filesCount, const QString& costTime);
    // What the removal could not remove. None: the window stays as it is.
    // Some: a line under the figures says how many. All (nothing was
    // removed): the window does not claim completion either, and shows the
    // warning mark in place of the waste basket with its tick. Main thread.
    void showRemoveFailures(qint64 failedCount, qint64 removedCount);
    // "1 file could not be removed." / "%1 files could not be removed."
    static QString failedCountText(qint64 failedCount);

    void setCompletionHandler(CompletionHandler handler) { completionHandler_ = std::move(handler); }

    // The user's preferred languages, first first; tests set their own
    // (nullopt goes back to the system's).
    static QStringList preferredLanguages();
    static void setPreferredLanguages(std::optional<QStringList> languages);

    // How wide the first detail row may be before the elapsed time moves to
    // a second row.
    static constexpr double detailRowLimit = 250.0;

    Lottie::AnimationView* finishAnimationView() const;
    QLabel* finishContentLabel() const;
    QLabel* finishSavingSpaceLabel() const;
    QLabel* freeSizeLabel() const;
    QFrame* detailBox() const;
    QFrame* bottomDetailBox() const;
    QLabel* filesCountTitleLabel() const;
    QLabel* filesCountLabel() const;
    QLabel* costTimeTitleLabe() const;
    QLabel* costTimeLabel() const;
    QLabel* bottomCostTimeTitleLabe() const;
    QLabel* bottomCostTimeLabel() const;
    RYTButton* completeButton() const;
    // The failure line and the mark that stands in for the animation.
    QLabel* failedCountLabel() const;
    QLabel* failedMarkView() const;

public slots:
    // The button's action: ends the overlay, then answers 1 to the handler.
    void completeAciton();

private:
    void initConfig();
    void sendLargeFileCompletion();
    void startAnimation();
    void applyDataInfo(const QString& filesSize, const QString& filesCount, const QString& costTime);

    std::unique_ptr<Ui::FinishWindowController> ui_;
    CompletionHandler completionHandler_;
    bool isDupImages_ = false;
    bool didLoad_ = false;
    bool answered_ = false;
    bool nothingRemoved_ = false;
};
