// The preferences window as a keyboard reaches it from the home screen: its
// own shortcut opens it, and every control Tab lands on there is shown and
// marks that it has the focus.

#include "ShellFixture.h"

#include "Main/MainMenu.h"
#include "Main/MainWindow.h"
#include "View/PreferenceView/PreferenceWIndowController.h"

#include <QApplication>
#include <QDialog>
#include <QTest>

TEST_F(ShellTest, ThePreferencesOpenedByTheirKeyMarkEveryControlTabReaches)
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
        const QImage with = control->grab().toImage();
        control->clearFocus();
        const QImage without = control->grab().toImage();
        control->setFocus(Qt::TabFocusReason);
        EXPECT_NE(with, without) << control->objectName().toStdString() << " shows no focus mark";
    }
    EXPECT_FALSE(reached.isEmpty());
    preferences->close();
}
