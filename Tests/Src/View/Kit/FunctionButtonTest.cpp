#include "View/CustomView/FunctionButton.h"

#include "Main/Utilities.h"

#include "TestSupport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace {

class FunctionButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(500, 120);
        auto* layout = new QHBoxLayout(&host);
        button = new FunctionButton(&host);
        button->setFixedHeight(65);
        layout->addWidget(button);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }

    bool circleAt(int x) { return button->circleView()->x() == x; }

    QWidget host;
    FunctionButton* button = nullptr;
};

}  // namespace

TEST_F(FunctionButtonTest, TitleBoxFollowsTheMeasuredWidth)
{
    const QRectF bounds(0, 0, 270, 65);
    const QRectF wide = FunctionButton::titleBox(150, bounds);
    EXPECT_EQ(wide, QRectF(70, (65 - 32) / 2.0, 140, 64));
    const QRectF narrow = FunctionButton::titleBox(100, bounds);
    EXPECT_EQ(narrow, QRectF(90, (65 - 32) / 2.0 + 8, 100, 32));
    // The rule's edge: 146 wraps, 145.9 does not.
    EXPECT_EQ(FunctionButton::titleBox(146, bounds).width(), 140);
    EXPECT_NEAR(FunctionButton::titleBox(145.9, bounds).width(), 145.9, 1e-9);
    // Measured in the 14-point system font.
    button->setTitle(QString());
    EXPECT_EQ(button->measuredTitleWidth(), 0.0);
    button->setTitle(QStringLiteral("Duplicate Files"));
    EXPECT_GT(button->measuredTitleWidth(), 40.0);
}

TEST_F(FunctionButtonTest, StaysTwoHundredSeventyWideWhateverTheLayout)
{
    EXPECT_EQ(button->width(), FunctionButton::buttonWidth);
    host.resize(900, 120);
    ASSERT_TRUE(waitUntil([&] { return host.width() == 900; }));
    EXPECT_EQ(button->width(), 270);
}

TEST_F(FunctionButtonTest, TypesChooseIconGradientAndCircle)
{
    EXPECT_EQ(button->functionType(), FunctionButton::FunctionType::scanDuplicateFile);
    EXPECT_EQ(button->iconString(), QStringLiteral("DuplicateFiles"));
    button->setFunctionType(FunctionButton::FunctionType::scanlargeFile);
    EXPECT_EQ(button->iconString(), QStringLiteral("LargeFiles"));
    EXPECT_EQ(button->myGradient().stops().first().second, color256(241, 244, 255));
    EXPECT_EQ(button->circleColors(), (QList<QColor>{color256(236, 235, 255), color256(255, 255, 255, 0.7)}));
    button->setFunctionType(FunctionButton::FunctionType::scanImages);
    EXPECT_EQ(button->iconString(), QStringLiteral("SimilarImages"));
    EXPECT_EQ(button->myGradient().stops().last().second, color256(240, 250, 249));
    // A recolouring replaces the fill: no trace of the earlier type.
    EXPECT_EQ(button->circleColors(), (QList<QColor>{color256(233, 249, 248), color256(255, 255, 255, 0.44)}));

    // The circle pokes out past the right edge and above the top.
    EXPECT_EQ(button->originalFrame(), QRect(270 - 45, -32, 120, 120));
    EXPECT_EQ(button->originalImageFrame(), QRect(240, 23, 18, 18));
    EXPECT_EQ(button->arrowImageName(), QStringLiteral("glass"));
}

TEST_F(FunctionButtonTest, PointerInSlidesAndColoursThePointerOutUndoes)
{
    button->setFunctionType(FunctionButton::FunctionType::scanDuplicateFile);
    ASSERT_TRUE(waitUntil([&] { return circleAt(225); }));
    QEnterEvent enter(QPointF(20, 20), QPointF(20, 20), button->mapToGlobal(QPointF(20, 20)));
    QCoreApplication::sendEvent(button, &enter);
    EXPECT_TRUE(button->isShowCircle());
    const QColor strong = color256(117, 137, 255);
    EXPECT_EQ(button->circleColors(), (QList<QColor>{strong, strong}));
    EXPECT_EQ(button->arrowImageName(), QStringLiteral("enteredGlass"));
    EXPECT_EQ(button->arrowImageView()->geometry(), QRect(230, 20, 24, 24));
    // Slides over 0.3 s, not at once.
    EXPECT_EQ(button->circleView()->x(), 225);
    ASSERT_TRUE(waitUntil([&] { return circleAt(215); }));

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->isShowCircle());
    EXPECT_EQ(button->circleColors().first(), color256(229, 233, 255));
    EXPECT_EQ(button->arrowImageName(), QStringLiteral("glass"));
    EXPECT_EQ(button->arrowImageView()->geometry(), QRect(240, 23, 18, 18));
    ASSERT_TRUE(waitUntil([&] { return circleAt(225); }));

    // Back in while it still slides home: the resting place does not drift.
    QCoreApplication::sendEvent(button, &enter);
    QCoreApplication::sendEvent(button, &leave);
    QCoreApplication::sendEvent(button, &enter);
    ASSERT_TRUE(waitUntil([&] { return circleAt(215); }));
    QCoreApplication::sendEvent(button, &leave);
    ASSERT_TRUE(waitUntil([&] { return circleAt(225); }));
    EXPECT_EQ(button->originalFrame().x(), 225);
}

TEST_F(FunctionButtonTest, APressEndsTheHoverWithoutRecolouringAndAClickIsEmitted)
{
    QSignalSpy clicked(button, &FunctionButton::clicked);
    QEnterEvent enter(QPointF(20, 20), QPointF(20, 20), button->mapToGlobal(QPointF(20, 20)));
    QCoreApplication::sendEvent(button, &enter);
    const QList<QColor> strong = button->circleColors();

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(100, 30));
    EXPECT_FALSE(button->isShowCircle());
    EXPECT_EQ(button->circleColors(), strong);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(100, 30));
    EXPECT_EQ(clicked.count(), 1);
    // Home again, the circle takes the colours of the pointer state.
    ASSERT_TRUE(waitUntil([&] { return button->circleColors() != strong; }));
    EXPECT_TRUE(circleAt(225));
}

TEST_F(FunctionButtonTest, TheCardsBorderShowsAllRoundAlsoWhereTheCircleLies)
{
    // In the hover colour the circle is a strong blue, over the card's right
    // edge: the edge must still show the card's white border, at 1x and 2x.
    // (Without the keyboard's focus, whose ring lies over the border.)
    button->clearFocus();
    button->setFunctionType(FunctionButton::FunctionType::scanDuplicateFile);
    QEnterEvent enter(QPointF(20, 20), QPointF(20, 20), button->mapToGlobal(QPointF(20, 20)));
    QCoreApplication::sendEvent(button, &enter);
    ASSERT_TRUE(waitUntil([&] { return circleAt(215); }));
    const QColor strong = color256(117, 137, 255);
    for (const qreal scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        QImage image((QSizeF(button->size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::black);
        button->render(&image);
        const int right = image.width() - 1;
        const int middle = int(40 * scale);
        const auto grey = [](const QColor& c) { return std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) < 8; };
        // The outermost column is the white border, the circle only inside it.
        const QColor edge = image.pixelColor(right, middle);
        EXPECT_TRUE(grey(edge) && edge.red() > 240) << edge.name().toStdString();
        EXPECT_EQ(image.pixelColor(right - int(4 * scale), middle).rgb(), strong.rgb());
        // The rounded top right corner is the border's or left unpainted,
        // never the circle's.
        EXPECT_TRUE(grey(image.pixelColor(right, 0))) << image.pixelColor(right, 0).name().toStdString();
    }
}
