// The main window on screens with less room than the scan screens' usual
// least size: ctest runs these also at twice and one and a half times the
// scale of a 1920 x 1080 desktop and on a 1366 x 768 laptop. Each window
// fits its screen, and at the least size it can be made every command of
// the screen is shown whole inside it.

#include "ShellFixture.h"

#include "Foundation/UserDefaults.h"
#include "Main/ContentBox.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "RYTFullSizeWindow.h"
#include "View/CustomView/KPLSwitchButton.h"
#include "View/CustomView/PopUpButton.h"
#include "View/FolderSetViewController.h"
#include "View/ScanImagesViewController/ScanImagesViewController.h"
#include "View/ScanViewController.h"
#include "Window/DupImageNavigationGuide.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QWindow>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTest>

namespace {

class SmallScreenTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        UserDefaults::standardUserDefaults().setBool(true, DupImageNavigationGuide::flagKey());
        writeFile(QStringLiteral("copies/one.txt"), "same");
        writeFile(QStringLiteral("copies/two.txt"), "same");
        // Sparse: large to the scan, nothing on the disk.
        QFile big(writeFile(QStringLiteral("large/big.bin"), QByteArray()));
        ASSERT_TRUE(big.resize(11'000'000));
        QImage picture(64, 64, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        ASSERT_TRUE(QDir().mkpath(scratch() + QStringLiteral("/images")));
        ASSERT_TRUE(picture.save(scratch() + QStringLiteral("/images/a.png")));
        ASSERT_TRUE(picture.save(scratch() + QStringLiteral("/images/b.png")));
        launch();
        window = nib().window();
    }

    MainViewController* root() { return nib().mainWindow()->mainViewController(); }
    QByteArray folder(const char* name) const { return QFile::encodeName(scratch() + QLatin1Char('/') + name); }
    QRect area() const { return window->screen()->availableGeometry(); }
    static void settle()
    {
        for (int pass = 0; pass < 8; ++pass) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        }
        QCoreApplication::processEvents();
    }

    // The window lies inside its screen, and the least size it can be made
    // fits that screen too.
    void expectFits(const char* screen)
    {
        settle();
        const QSize frame = window->frameGeometry().size() - window->geometry().size();
        EXPECT_TRUE(area().contains(window->frameGeometry()))
            << screen << ": the window " << size(window->frameGeometry().size()) << " at "
            << window->frameGeometry().x() << "," << window->frameGeometry().y() << " on a screen of "
            << size(area().size());
        const QSize least = window->minimumSize().expandedTo(window->minimumSizeHint()) + frame;
        EXPECT_LE(least.width(), area().width()) << screen;
        EXPECT_LE(least.height(), area().height()) << screen;
    }
    // At the window's least size every control given is shown whole: inside
    // the window and inside every view that holds it.
    void expectReachable(const char* screen, const QList<QWidget*>& controls)
    {
        window->resize(window->minimumSize().expandedTo(window->minimumSizeHint()));
        settle();
        for (QWidget* control : controls) {
            ASSERT_NE(control, nullptr) << screen;
            EXPECT_TRUE(control->isVisible()) << screen << ": " << control->objectName().toStdString();
            EXPECT_TRUE(area().contains(QRect(control->mapToGlobal(QPoint(0, 0)), control->size())))
                << screen << ": " << control->objectName().toStdString() << " lies off the screen";
            for (QWidget* holder = control->parentWidget(); holder; holder = holder->parentWidget()) {
                const QRect inHolder(control->mapTo(holder, QPoint(0, 0)), control->size());
                EXPECT_TRUE(holder->rect().contains(inHolder))
                    << screen << ": " << control->objectName().toStdString() << " is cut by "
                    << holder->objectName().toStdString() << " " << size(holder->size());
                if (holder == window) {
                    break;
                }
            }
        }
    }
    static std::string size(QSize s) { return std::to_string(s.width()) + " x " + std::to_string(s.height()); }

    QWidget* window = nullptr;
};

TEST_F(SmallScreenTest, TheDuplicatesScreenFitsAndKeepsItsCommandsInReach)
{
    expectFits("home");
    scanFromHome({folder("copies")}, &FolderSetViewController::scanDuplicates);
    ScanViewController* s = root()->scanViewController();
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(waitUntil([&] { return s->backBtn()->isEnabled() && !s->popUpButton()->isHidden(); }));
    expectFits("duplicates");
    s->automaticSelectionAction();
    s->updateSelectCountSizeLabel();
    expectReachable("duplicates", {s->backBtn(), s->startBtn(), s->popUpButton(), s->selectTitleLabel(),
                                   s->selectCountSizeLabel(), s->automaticSelectionBtn(), s->notAtAllBtn(),
                                   s->modeSwitchBtn(), s->previewModeLabel()});
    root()->scanViewBackAction();
    expectFits("home after a scan");
}

TEST_F(SmallScreenTest, TheLargeFilesScreenFitsAndKeepsItsCommandsInReach)
{
    scanFromHome({folder("large")}, &FolderSetViewController::scanLargeFile);
    ScanViewController* s = root()->scanViewController();
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(waitUntil([&] { return s->backBtn()->isEnabled() && !s->popUpButton()->isHidden(); }));
    expectFits("large files");
    expectReachable("large files", {s->backBtn(), s->startBtn(), s->popUpButton(), s->selectTitleLabel(),
                                    s->selectCountSizeLabel(), s->allSelectCheckBox(), s->upSortNameBtn(),
                                    s->downSortNameBtn(), s->upSortSizeBtn(), s->downSortSizeBtn()});
}

TEST_F(SmallScreenTest, TheSimilarImagesScreenFitsAndKeepsItsCommandsInReach)
{
    scanFromHome({folder("images")}, &FolderSetViewController::scanImagesBtnAction);
    ScanImagesViewController* images = root()->scanImagesViewController();
    ASSERT_NE(images, nullptr);
    ASSERT_TRUE(waitUntil([&] { return images->backBtn()->isEnabled() && images->popUpButton()->isVisible(); },
                          std::chrono::seconds(60)));
    expectFits("similar images");
    expectReachable("similar images", {images->backBtn(), images->stopBtn(), images->popUpButton()});
}

// Moved to a smaller screen, the window on a scan screen takes that
// screen's room as its bound. Runs where the test platform has a second,
// smaller screen.
TEST_F(SmallScreenTest, AWindowMovedToASmallerScreenFitsThatOne)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* small = screens.size() > 1 ? screens.at(1) : nullptr;
    if (!small || small->availableGeometry().height() >= 625) {
        GTEST_SKIP() << "no second screen smaller than the scan window";
    }
    scanFromHome({folder("copies")}, &FolderSetViewController::scanDuplicates);
    ScanViewController* s = root()->scanViewController();
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(waitUntil([&] { return s->backBtn()->isEnabled(); }));
    ASSERT_NE(window->screen(), small);
    window->windowHandle()->setScreen(small);
    window->move(small->availableGeometry().topLeft());
    ASSERT_TRUE(waitUntil([&] { return window->screen() == small; }));
    expectFits("moved to the smaller screen");
    expectReachable("moved to the smaller screen", {s->backBtn(), s->startBtn(), s->popUpButton()});
}

}  // namespace
