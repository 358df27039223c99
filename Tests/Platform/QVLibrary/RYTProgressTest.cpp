#include "RYTProgress.h"

#include <QImage>

#include <gtest/gtest.h>

#include <limits>

namespace {

QImage draw(RYTProgress& bar)
{
    QImage image(bar.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    bar.render(&image);
    return image;
}

}  // namespace

TEST(RYTProgress, FillsTheValuesShareOfTheRange)
{
    RYTProgress bar;
    bar.resize(200, 10);
    bar.setMinValue(0.0);
    bar.setMaxValue(1.0);
    bar.setCornerRadius(5.0f);
    bar.setBackgroundColor(QColor(230, 236, 245));
    bar.setProgressColor(QColor(65, 111, 244));
    EXPECT_EQ(bar.fraction(), 0.0);

    bar.setProgressValue(0.25);
    EXPECT_EQ(bar.fraction(), 0.25);
    QImage image = draw(bar);
    EXPECT_EQ(image.pixelColor(25, 5), QColor(65, 111, 244));
    EXPECT_EQ(image.pixelColor(100, 5), QColor(230, 236, 245));
    // Rounded ends: the corner pixel stays clear.
    EXPECT_LT(image.pixelColor(0, 0).alpha(), 128);

    // Another range: 30 of 20…60 is a quarter too.
    bar.setMinValue(20);
    bar.setMaxValue(60);
    bar.setProgressValue(30);
    EXPECT_EQ(bar.fraction(), 0.25);
}

TEST(RYTProgress, AtAndBeyondItsLimits)
{
    RYTProgress bar;
    bar.resize(100, 8);
    bar.setMaxValue(1.0);
    bar.setProgressValue(1.0);
    EXPECT_EQ(bar.fraction(), 1.0);
    EXPECT_EQ(draw(bar).pixelColor(96, 4), bar.progressColor());
    bar.setProgressValue(7.0);
    EXPECT_EQ(bar.fraction(), 1.0);
    bar.setProgressValue(-2.0);
    EXPECT_EQ(bar.fraction(), 0.0);
    EXPECT_EQ(draw(bar).pixelColor(4, 4), bar.backgroundColor());
    bar.setProgressValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(bar.fraction(), 0.0);

    // An empty or upside-down range draws an empty bar.
    bar.setProgressValue(0.5);
    bar.setMinValue(1.0);
    bar.setMaxValue(1.0);
    EXPECT_EQ(bar.fraction(), 0.0);
    bar.setMinValue(2.0);
    EXPECT_EQ(bar.fraction(), 0.0);
    EXPECT_EQ(draw(bar).pixelColor(50, 4), bar.backgroundColor());
    // A radius larger than the bar is kept to half its height.
    bar.setCornerRadius(500.0f);
    EXPECT_NO_FATAL_FAILURE(draw(bar));
}
