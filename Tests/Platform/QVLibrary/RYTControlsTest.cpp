#include "QVLibrary/DaemonManager.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTFullSizeWindow.h"
#include "QVLibrary/RYTLinkTextField.h"
#include "QVLibrary/RYTView.h"

#include <QAction>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(RYTViewTest, PaintsBackgroundBorderAndRoundedCorners)
{
    RYTView view;
    view.resize(60, 40);
    view.setBackgroundColor(QColor(10, 200, 10));
    view.setBorderColor(QColor(200, 10, 10));
    view.setBorderWidth(2.0);
    view.setCornerRadius(QSizeF(12, 12));
    const QImage image = view.grab().toImage();
    EXPECT_EQ(image.pixelColor(30, 20), QColor(10, 200, 10));
    EXPECT_EQ(image.pixelColor(30, 0), QColor(200, 10, 10));
    // Outside the rounded corner nothing is painted.
    EXPECT_NE(image.pixelColor(0, 0), QColor(10, 200, 10));
    EXPECT_NE(image.pixelColor(0, 0), QColor(200, 10, 10));
}

TEST(RYTCheckBoxTest, ClicksToggleAndWriteTheStateBeforeTheAction)
{
    RYTCheckBox box;
    box.setText(QStringLiteral("Don't remind me again."));
    box.resize(box.sizeHint());
    int seen = -2;
    QObject::connect(&box, &RYTCheckBox::clicked, [&] { seen = box.state(); });
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, box.height() / 2));
    EXPECT_EQ(box.state(), RYTCheckBox::stateOn);
    EXPECT_EQ(seen, RYTCheckBox::stateOn);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, box.height() / 2));
    EXPECT_EQ(box.state(), RYTCheckBox::stateOff);
    EXPECT_EQ(seen, RYTCheckBox::stateOff);
}

TEST(RYTCheckBoxTest, MixedStateOnlyWhenAllowedAndCyclesOnOffMixed)
{
    RYTCheckBox box;
    box.resize(20, 20);
    box.setState(RYTCheckBox::stateMixed);
    EXPECT_EQ(box.state(), RYTCheckBox::stateOn);
    box.setAllowsMixedState(true);
    box.setState(RYTCheckBox::stateMixed);
    EXPECT_EQ(box.state(), RYTCheckBox::stateMixed);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_EQ(box.state(), RYTCheckBox::stateOn);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_EQ(box.state(), RYTCheckBox::stateOff);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_EQ(box.state(), RYTCheckBox::stateMixed);
    box.setAllowsMixedState(false);
    EXPECT_EQ(box.state(), RYTCheckBox::stateOn);
    box.setState(7);
    EXPECT_EQ(box.state(), RYTCheckBox::stateOn);
}

TEST(RYTLinkTextFieldTest, OnlyAClickOnTheLinkPartRunsTheBlock)
{
    RYTLinkTextField field;
    int runs = 0;
    const QString link = QStringLiteral("https://example.org/about");
    field.drawLinkTextFiledAttributed(QStringLiteral("Website: ") + link, link, Qt::blue, Qt::transparent,
                                      std::nullopt, [&] { ++runs; });
    field.resize(field.sizeHint() + QSize(40, 10));
    EXPECT_EQ(field.text(), QStringLiteral("Website: ") + link);
    EXPECT_EQ(field.linkRange(), qMakePair(9, static_cast<int>(link.size())));
    const QRect rect = field.linkRect();
    ASSERT_FALSE(rect.isEmpty());

    QTest::mouseClick(&field, Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(runs, 1);
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(2, rect.center().y()));
    EXPECT_EQ(runs, 1);
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(field.width() - 2, rect.center().y()));
    EXPECT_EQ(runs, 1);
}

TEST(RYTLinkTextFieldTest, AMissingLinkLeavesTheTextPlain)
{
    RYTLinkTextField field;
    int runs = 0;
    field.drawLinkTextFiledAttributed(QStringLiteral("Website: "), QString(), Qt::blue, Qt::transparent,
                                      std::nullopt, [&] { ++runs; });
    field.resize(200, 20);
    EXPECT_TRUE(field.linkRect().isEmpty());
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(runs, 0);
}

TEST(RYTFullSizeWindowTest, TheToggleEntersAndLeavesFullScreenOnlyWhenAvailable)
{
    RYTFullSizeWindow window;
    window.resize(400, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy entered(&window, &RYTFullSizeWindow::didEnterFullScreen);
    QSignalSpy exited(&window, &RYTFullSizeWindow::didExitFullScreen);

    window.setFullScreenBtnHidded(true);
    EXPECT_FALSE(window.fullScreenAction()->isVisible());
    window.toggleFullScreen();
    EXPECT_FALSE(window.isInFullScreen());

    window.setFullScreenBtnHidded(false);
    window.setFullScreenButtonEnabled(false);
    EXPECT_TRUE(window.fullScreenAction()->isVisible());
    EXPECT_FALSE(window.fullScreenAction()->isEnabled());
    window.toggleFullScreen();
    EXPECT_FALSE(window.isInFullScreen());

    window.setFullScreenButtonEnabled(true);
    window.fullScreenAction()->trigger();
    EXPECT_TRUE(window.isInFullScreen());
    EXPECT_EQ(entered.count(), 1);
    window.toggleFullScreen();
    EXPECT_FALSE(window.isInFullScreen());
    EXPECT_EQ(exited.count(), 1);

    window.setTopOffset(8.0);
    EXPECT_DOUBLE_EQ(window.topOffset(), 8.0);
    EXPECT_EQ(window.contentsMargins().top(), 8);
}

TEST(RYSelectViewTest, AClickSelectsAndReportsButCodeOnlySetsTheFlag)
{
    RYSelectView view;
    view.resize(80, 24);
    QList<bool> reports;
    view.viewDidSelected = [&](RYSelectView* v, bool selected) {
        EXPECT_EQ(v, &view);
        reports.append(selected);
    };
    view.setSelected(true);
    view.setSelected(false);
    EXPECT_TRUE(reports.isEmpty());
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(view.selected());
    EXPECT_EQ(reports, QList<bool>{true});
}

TEST(RYSelectViewTest, AViewThatCannotBeSelectedIgnoresClicksAndASelectedOnePaintsItsColour)
{
    RYSelectView view;
    view.resize(80, 40);
    view.setBackgroundColor(QColor(Qt::transparent));
    view.setSelectedColor(QColor(30, 60, 90));
    view.setCornerRadius(QSizeF(6, 6));
    int reports = 0;
    view.viewDidSelected = [&](RYSelectView*, bool) { ++reports; };

    view.setCanSelected(false);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(view.selected());
    EXPECT_EQ(reports, 0);
    EXPECT_NE(view.grab().toImage().pixelColor(40, 20), QColor(30, 60, 90));

    view.setCanSelected(true);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(view.selected());
    EXPECT_EQ(reports, 1);
    const QImage image = view.grab().toImage();
    EXPECT_EQ(image.pixelColor(40, 20), QColor(30, 60, 90));
    // The rounded corner stays unpainted.
    EXPECT_NE(image.pixelColor(0, 0), QColor(30, 60, 90));
}

TEST(DaemonManagerTest, StartingIsRecordedOnTheSharedManager)
{
    DaemonManager::defaultManager().startForDaemon();
    EXPECT_TRUE(DaemonManager::defaultManager().started());
    EXPECT_EQ(&DaemonManager::defaultManager(), &DaemonManager::defaultManager());
}

}  // namespace
