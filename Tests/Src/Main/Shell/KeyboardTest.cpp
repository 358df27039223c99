// The preferences window as a keyboard reaches it from the home screen: its
// own shortcut opens it, Ctrl+Tab goes through its pages, and every control
// Tab lands on there is shown and marks that it has the focus.

#include "ShellFixture.h"

#include "FocusRingProbe.h"
#include "Main/MainMenu.h"
#include "Main/MainWindow.h"
#include "View/PreferenceView/ImageSlider.h"
#include "View/PreferenceView/PreferenceWIndowController.h"

#include <QApplication>
#include <QDialog>
#include <QStackedWidget>
#include <QTest>

TEST_F(ShellTest, ThePreferencesOpenedByTheirKeyShowEveryPageAndMarkEveryControlTabReaches)
{
    registerPreferenceWindow();
    launch();
    QWidget* window = nib().window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keySequence(window, MainMenu::preferencesShortcuts().first());
    QWidget* preferences = nib().mainWindow()->preferenceWindow();
    ASSERT_NE(preferences, nullptr);
    ASSERT_TRUE(waitUntil([&] { return preferences->isVisible(); }));
    preferences->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(preferences));

    // Every page in turn, by Ctrl+Tab: Tab goes round the page's shown
    // controls, each of which shows its focus ring.
    QSet<QString> pages;
    for (int page = 0; page < 4; ++page) {
        QSet<QWidget*> reached;
        for (int i = 0; i < 24; ++i) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : preferences, Qt::Key_Tab);
            QWidget* control = QApplication::focusWidget();
            ASSERT_NE(control, nullptr);
            EXPECT_TRUE(control->isVisible() && control->isEnabled()) << control->objectName().toStdString();
            if (reached.contains(control)) {
                continue;
            }
            reached.insert(control);
            QRect area;
            if (auto* slider = qobject_cast<ImageSlider*>(control)) {
                area = slider->knobRect().toAlignedRect();
            }
            EXPECT_TRUE(FocusRingProbe::isVisible(control, area))
                << control->objectName().toStdString() << " shows no focus ring";
        }
        EXPECT_GE(reached.size(), 5);
        pages.insert(nib().mainWindow()->preferenceWindow()->findChild<QStackedWidget*>("mainBox")->currentWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    }
    EXPECT_EQ(pages, (QSet<QString>{"genaralView", "whiteListView", "repeatFileView", "similarImageView"}));
    preferences->close();
}
