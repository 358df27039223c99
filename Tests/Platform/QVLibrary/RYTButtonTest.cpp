#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"

#include <QEnterEvent>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using State = RYTButton::State;

class RYTButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RYTDarkMode::setForcedAppearance(0);
        button.resize(120, 28);
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
        // The offscreen pointer may start over the new window.
        leave();
    }
    void TearDown() override { RYTDarkMode::setForcedAppearance(-1); }

    void enter()
    {
        QEnterEvent event(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
        QCoreApplication::sendEvent(&button, &event);
    }
    void leave()
    {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &event);
    }
    QColor centre()
    {
        const QImage image = button.grab().toImage();
        return image.pixelColor(image.width() / 2, 2 * image.height() / 3 + 3);
    }

    RYTButton button;
};

TEST_F(RYTButtonTest, WalksThroughItsFourStatesWithTheMouse)
{
    button.setButtonStateColor(Qt::red, Qt::green, Qt::blue, Qt::gray);
    QSignalSpy clicked(&button, &QAbstractButton::clicked);

    EXPECT_EQ(button.currentState(), State::normal);
    enter();
    EXPECT_EQ(button.currentState(), State::up);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 14));
    EXPECT_EQ(button.currentState(), State::down);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(20, 14));
    EXPECT_EQ(button.currentState(), State::up);
    EXPECT_EQ(clicked.count(), 1);
    leave();
    EXPECT_EQ(button.currentState(), State::normal);
    button.setEnabled(false);
    EXPECT_EQ(button.currentState(), State::disable);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(20, 14));
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(RYTButtonTest, PaintsTheFillOfTheStateItShows)
{
    button.setButtonStateColor(QColor(200, 0, 0), QColor(0, 200, 0), QColor(0, 0, 200), QColor(90, 90, 90));
    EXPECT_EQ(centre(), QColor(200, 0, 0));
    enter();
    EXPECT_EQ(centre(), QColor(0, 200, 0));
    button.setDown(true);
    EXPECT_EQ(centre(), QColor(0, 0, 200));
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(centre(), QColor(90, 90, 90));
}

TEST_F(RYTButtonTest, StatesWithoutTheirOwnValueShowTheNormalOne)
{
    button.setButtonStateColor(Qt::red, QColor(), QColor());
    button.setEnabled(false);
    EXPECT_EQ(button.fillColor(button.currentState()), QColor(Qt::red));
    button.setTitleColors({Qt::white});
    for (State s : {State::normal, State::up, State::down, State::disable}) {
        EXPECT_EQ(button.titleColor(s), QColor(Qt::white));
    }
    button.setTitleColors({Qt::red, Qt::green});
    EXPECT_EQ(button.titleColor(State::up), QColor(Qt::green));
    EXPECT_EQ(button.titleColor(State::down), QColor(Qt::red));
}

TEST_F(RYTButtonTest, NormalStyleIsWhiteOnTheMainColourAndPressesLikeHover)
{
    button.setButton(RYTButton::ShowType::normal, QStringLiteral("OK"));
    EXPECT_EQ(button.title(), QStringLiteral("OK"));
    EXPECT_DOUBLE_EQ(button.cornerRadius(), 4.0);
    EXPECT_EQ(button.fillColor(State::normal), RYTDarkMode::colorNamed(QStringLiteral("ButtonNormalColor")));
    EXPECT_EQ(button.fillColor(State::up), RYTDarkMode::colorNamed(QStringLiteral("ButtonHoverColor")));
    EXPECT_EQ(button.fillColor(State::down), button.fillColor(State::up));
    EXPECT_EQ(button.fillColor(State::disable), RYTDarkMode::colorNamed(QStringLiteral("ButtonDisableColor")));
    for (State s : {State::normal, State::up, State::down, State::disable}) {
        EXPECT_EQ(button.titleColor(s), QColor(Qt::white));
    }
}

TEST_F(RYTButtonTest, UncertainStyleUsesTheSecondColourSet)
{
    button.setButton(RYTButton::ShowType::uncertain, QStringLiteral("Cancel"));
    EXPECT_EQ(button.fillColor(State::normal), RYTButton::normalUncertainColor());
    EXPECT_EQ(button.fillColor(State::up), RYTButton::hoverUncertainColor());
    EXPECT_EQ(button.fillColor(State::down), RYTButton::clickUncertainColor());
    EXPECT_EQ(button.fillColor(State::disable), RYTButton::disableUncertainColor());
    EXPECT_EQ(button.titleColor(State::down), RYTDarkMode::colorNamed(QStringLiteral("LabelColor")));
}

TEST_F(RYTButtonTest, OutlineStylesKeepTheFillOfAnEarlierStyle)
{
    button.setButton(RYTButton::ShowType::normal, QStringLiteral("A"));
    const QColor fill = button.fillColor(State::normal);

    button.setButton(RYTButton::ShowType::normalBorder, QStringLiteral("B"));
    EXPECT_EQ(button.fillColor(State::normal), fill);
    EXPECT_EQ(button.borderColor(State::normal), RYTButton::normalColor());
    EXPECT_EQ(button.borderColor(State::down), RYTButton::hoverColor());
    EXPECT_EQ(button.titleColor(State::disable), RYTButton::hoverColor());

    button.setButton(RYTButton::ShowType::uncertainBorder, QStringLiteral("C"));
    EXPECT_EQ(button.fillColor(State::normal), fill);
    EXPECT_EQ(button.borderColor(State::normal), RYTButton::normalUncertainColor());
    EXPECT_EQ(button.titleColor(State::up), RYTButton::hoverUncertainColor());

    button.setButton(RYTButton::ShowType::back, QStringLiteral("Back"));
    EXPECT_EQ(button.fillColor(State::normal), fill);
    EXPECT_EQ(button.borderColor(State::up), QColor::fromRgbF(193.0f / 256, 204.0f / 256, 214.0f / 256));
    EXPECT_EQ(button.titleColor(State::normal), RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor")));
    EXPECT_EQ(button.title(), QStringLiteral("Back"));
}

TEST_F(RYTButtonTest, BackBorderIsTheSameInBothAppearances)
{
    const QColor light = RYTButton::backBorderColor();
    RYTDarkMode::setForcedAppearance(1);
    EXPECT_EQ(RYTButton::backBorderColor(), light);
    EXPECT_NE(RYTButton::normalColor(), RYTDarkMode::colorNamed(QStringLiteral("ButtonNormalColor"), false));
}

}  // namespace
