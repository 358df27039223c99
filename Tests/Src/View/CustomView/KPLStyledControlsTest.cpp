#include "View/CustomView/KPLComboBox.h"
#include "View/CustomView/KPLPopUpButton.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage paint(const KPLPopUpButtonCell& cell, QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(QColor(10, 20, 30));
    QPainter painter(&image);
    cell.drawWithFrame(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

int countPixels(const QImage& image, const std::function<bool(QColor)>& test)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += test(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return count;
}

TEST(KPLPopUpButtonTest, ANewButtonShowsItsFirstOfThreeItemsAndTheSetUpLooks)
{
    KPLPopUpButton button;
    ASSERT_EQ(button.count(), 3);
    EXPECT_EQ(button.currentIndex(), 0);
    EXPECT_EQ(button.currentText(), QStringLiteral("第十六届咖喱鸡规范啊分公司代理房管局老豆腐干"));
    EXPECT_EQ(button.itemText(2), QStringLiteral("item3"));
    EXPECT_EQ(button.titleColor(), std::optional<QColor>(QColor::fromRgbF(0, 0, 0, 1)));
    EXPECT_EQ(button.borderWidth(), std::optional<double>(0.5));
    EXPECT_EQ(button.borderRadius(), std::optional<double>(4.0));
    EXPECT_EQ(button.popUpButtonCell()->fillColor, std::optional<QColor>(QColor(Qt::white)));
    EXPECT_FALSE(button.image().isNull());
    EXPECT_EQ(button.font().pixelSize(), 11);
    // The looks on the control and in its cell move together.
    button.setFillColor(QColor(1, 2, 3));
    EXPECT_EQ(button.popUpButtonCell()->fillColor, std::optional<QColor>(QColor(1, 2, 3)));
}

TEST(KPLCellLookTest, ClearOrMissingTitleColourIsBlackAndFlatRadiiAreTwo)
{
    KPLCellLook look;
    EXPECT_EQ(look.titleColorToUse(), QColor(Qt::black));
    look.titleColor = QColor(Qt::transparent);
    EXPECT_EQ(look.titleColorToUse(), QColor(Qt::black));
    look.titleColor = QColor(0, 90, 0);
    EXPECT_EQ(look.titleColorToUse(), QColor(0, 90, 0));
    EXPECT_DOUBLE_EQ(look.bodyRadius(), 2.0);
    look.borderRadius = 0.0;
    EXPECT_DOUBLE_EQ(look.bodyRadius(), 2.0);
    look.borderRadius = -3.0;
    EXPECT_DOUBLE_EQ(look.bodyRadius(), 2.0);
    look.borderRadius = 6.0;
    EXPECT_DOUBLE_EQ(look.bodyRadius(), 6.0);
    EXPECT_EQ(look.titleFontFor(std::nullopt).pixelSize(), 11);
    QFont cellFont;
    cellFont.setPixelSize(15);
    EXPECT_EQ(look.titleFontFor(cellFont).pixelSize(), 15);
}

TEST(KPLPopUpButtonCellTest, TitleAndImageRectanglesFollowTheImagePosition)
{
    KPLPopUpButtonCell cell;
    cell.title = QStringLiteral("Title");
    const QRectF bounds(0, 0, 120, 24);
    const double th = QFontMetricsF(cell.titleFontFor(std::nullopt)).height();
    const double tw = QFontMetricsF(cell.titleFontFor(std::nullopt)).horizontalAdvance(cell.title);

    // Without an image: title from 4, 19 narrower; no image rectangle.
    cell.imagePosition = KPLImagePosition::imageLeft;
    EXPECT_EQ(cell.titleRectForBounds(bounds), QRectF(8, (24 - th) / 2, 120 - 23, 24));
    EXPECT_TRUE(cell.imageRectForBounds(bounds).isNull());

    QPixmap dot(16, 16);
    dot.fill(Qt::red);
    cell.image = QIcon(dot);
    EXPECT_EQ(cell.titleRectForBounds(bounds), QRectF(24, (24 - th) / 2, 120 - 39, 24));
    EXPECT_EQ(cell.imageRectForBounds(bounds), QRectF(4, 4, 16, 16));
    cell.imagePosition = KPLImagePosition::imageRight;
    EXPECT_EQ(cell.titleRectForBounds(bounds), QRectF(4, (24 - th) / 2, 101, 24));
    EXPECT_EQ(cell.imageRectForBounds(bounds), QRectF(tw + 8, 4, 120 - (tw + 23), 24));
    cell.imagePosition = KPLImagePosition::imageOnly;
    EXPECT_TRUE(cell.titleRectForBounds(bounds).isNull());
    EXPECT_EQ(cell.imageRectForBounds(bounds), QRectF(52, 4, 16, 16));
    cell.imagePosition = KPLImagePosition::imageAbove;
    EXPECT_TRUE(cell.titleRectForBounds(bounds).isNull());
    EXPECT_TRUE(cell.imageRectForBounds(bounds).isNull());
    EXPECT_EQ(cell.stateImageRectForBounds(QRectF(3, 4, 50, 20)), QRectF(3, 4, 10, 10));
}

TEST(KPLPopUpButtonCellTest, AnUnborderedCellDrawsNoBodyOnlyImageAndTitle)
{
    KPLPopUpButtonCell cell;
    cell.title = QStringLiteral("Size");
    cell.fillColor = QColor(0, 200, 0);
    cell.borderColor = QColor(200, 0, 0);
    const auto green = [](QColor c) { return c == QColor(0, 200, 0); };
    EXPECT_GT(countPixels(paint(cell, QSize(100, 24)), green), 1000);
    cell.bordered = false;
    const QImage bare = paint(cell, QSize(100, 24));
    EXPECT_EQ(countPixels(bare, green), 0);
    // The black title is still there.
    EXPECT_GT(countPixels(bare, [](QColor c) { return c.lightness() < 10; }), 5);
}

TEST(KPLComboBoxTest, SetUpMakesAnEditableBoxWithABlueStripThatOpensTheList)
{
    KPLComboBox box;
    box.resize(160, 24);
    box.addItems({QStringLiteral("10"), QStringLiteral("20")});
    EXPECT_TRUE(box.isEditable());
    EXPECT_EQ(box.borderRadius(), std::optional<double>(2.0));
    EXPECT_EQ(box.buttonColor(), std::optional<QColor>(QColor::fromRgbF(0.02f, 0.26f, 0.76f, 1.0f)));
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    const QImage image = box.grab().toImage();
    const QColor strip = image.pixelColor(160 - 6, 12);
    EXPECT_LT(strip.red(), 30);
    EXPECT_GT(strip.blue(), 150);
    // The strip's leading corners are square, its trailing ones rounded.
    EXPECT_EQ(image.pixelColor(160 - 17 + 1, 1).rgb(), strip.rgb());
    EXPECT_EQ(image.pixelColor(160 - 8, 12).rgb(), strip.rgb());
    // The body is white; the text field sits in the title rectangle.
    EXPECT_EQ(image.pixelColor(70, 3), QColor(Qt::white));
    ASSERT_NE(box.lineEdit(), nullptr);
    EXPECT_EQ(box.lineEdit()->geometry().left(), 4);
    EXPECT_LE(box.lineEdit()->geometry().right(), 160 - 17);
    EXPECT_EQ(box.lineEdit()->palette().color(QPalette::Text), QColor(Qt::black));

    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(160 - 8, 12));
    EXPECT_TRUE(box.view()->isVisible());
    box.hidePopup();

    // Without a frame nothing of the body or strip is drawn.
    box.setBordered(false);
    const QImage bare = box.grab().toImage();
    EXPECT_NE(bare.pixelColor(160 - 6, 12).rgb(), strip.rgb());
}

}  // namespace
