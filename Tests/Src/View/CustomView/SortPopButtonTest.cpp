#include "View/CustomView/SortPopButton.h"

#include "QVLibrary/RYTDarkMode.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Sorter : public SortPopButtonDelegate {
public:
    QList<int> tags;
    void sortData(int tag) override { tags.append(tag); }
};

class SortPopButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(300, 200);
        button = new SortPopButton(&window);
        button->move(20, 20);
        button->resize(80, 20);
        button->setDelegate(&sorter);
        button->setTitle(QStringLiteral("By Size"));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override
    {
        if (button->menu()) {
            button->menu()->close();
        }
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        RYTDarkMode::setForcedAppearance(-1);
    }

    QMenu* open()
    {
        QTest::mouseClick(button, Qt::LeftButton);
        return button->menu();
    }

    QWidget window;
    SortPopButton* button = nullptr;
    Sorter sorter;
};

TEST_F(SortPopButtonTest, EachRowReportsItsTagOnce)
{
    for (int row : {1, 0, 2}) {
        QMenu* menu = open();
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 3);
        menu->actions().at(row)->trigger();
        menu->close();
    }
    EXPECT_EQ(sorter.tags, (QList<int>{2, 1, 3}));
    // Without a delegate a choice does nothing.
    button->setDelegate(nullptr);
    open()->actions().at(0)->trigger();
    EXPECT_EQ(sorter.tags.size(), 3);
}

TEST_F(SortPopButtonTest, RowsJoinByAndTheKindWithJapaneseWordOrderForSizeOnly)
{
    EXPECT_EQ(SortPopButton::rowTitles(),
              (QStringList{QStringLiteral("By Size"), QStringLiteral("By Date"), QStringLiteral("By Type")}));
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    EXPECT_EQ(SortPopButton::rowTitles(),
              (QStringList{QStringLiteral("SizeBy "), QStringLiteral("By Date"), QStringLiteral("By Type")}));
    QMenu* menu = open();
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("SizeBy "));
    EXPECT_EQ(menu->actions().at(0)->data().toInt(), 1);
}

TEST_F(SortPopButtonTest, WidthIsTheTitlePlusTwentySixWithTheArrowAtTitlePlusThree)
{
    EXPECT_EQ(SortPopButton::widthForTitleWidth(50.0), 76);
    QFont font;
    font.setPixelSize(12);
    const double title = QFontMetricsF(font).horizontalAdvance(QStringLiteral("By Date"));
    button->setTitle(QStringLiteral("By Date"));
    const int room = SortPopButton::ringRoom;
    EXPECT_EQ(button->width(), int(std::ceil(title)) + 26 + 2 * room);
    // Drawn without the keyboard's ring, which would run round the edge.
    button->clearFocus();
    const QImage image = button->grab().toImage();
    // White around the text, the dark arrow in its 8 x 6 box.
    EXPECT_EQ(image.pixelColor(button->width() - 2, 2), QColor(Qt::white));
    const int arrowLeft = room + int(std::ceil(title)) + 3;
    const QColor arrow = image.pixelColor(arrowLeft + 4, (button->height() - 6) / 2 + 2);
    EXPECT_LT(arrow.lightness(), 150);
    EXPECT_EQ(image.pixelColor(arrowLeft - 2, (button->height() - 6) / 2 + 2), QColor(Qt::white));
}

TEST_F(SortPopButtonTest, TheMenuIsLightBelowTheBottomLeftCornerInEitherAppearance)
{
    RYTDarkMode::setForcedAppearance(1);
    QMenu* menu = open();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(menu->pos(), button->mapToGlobal(QPoint(SortPopButton::ringRoom - 2, button->height() + 4)));
    EXPECT_EQ(menu->font().pixelSize(), 12);
}

}  // namespace
