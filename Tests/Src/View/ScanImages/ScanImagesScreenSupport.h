#pragma once

#include <memory>

#include <QByteArrayList>
#include <QPointer>
#include <QStringList>

#include "GA/QVDAEventObserver.h"
#include "TestSupport.h"
#include "View/ScanImagesViewController/ScanImagesViewController.h"

class QWidget;

// A similar-image screen in a window of its own, the main window as far as
// the sheets go, over the real engine and image library; usage events are
// recorded, links opened are caught, the double-click interval is short.
class ScanImagesScreenTest : public TempHomeTest, public ScanImagesViewControllerDelegate {
protected:
    void SetUp() override;
    void TearDown() override;

    // `groups` bases with `copies` altered copies each, as JPEG files under
    // scratch()/images; returns the folder.
    QString makeImages(int groups, int copies, const QString& folder = QStringLiteral("images"));
    // Starts the screen on the folders and waits for the end of the search.
    ScanImagesViewController* scan(const QStringList& folders);
    // Answers the sheet showing now with the button of that title.
    bool answerSheet(const QString& title);
    QString sheetText() const;
    bool sheetShowing() const;
    // Clicks (once, after the double-click interval has passed) the thumbnail
    // of `row` in the grid of the result view.
    void clickThumbnail(int row);
    // Confirms a removal and closes its finish window.
    void removeAndFinish();
    QStringList labels(const QString& category, const QString& action) const;

    void scanImagesViewBackAction() override { ++backCount; }

    std::unique_ptr<QWidget> window;
    QPointer<ScanImagesViewController> screen;
    std::unique_ptr<QVDAEventRecorder> recorder;
    int backCount = 0;
    QList<QUrl> opened;
};
