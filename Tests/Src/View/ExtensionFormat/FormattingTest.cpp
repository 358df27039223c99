#include "View/Extension/KPLExtension.h"

#include <gtest/gtest.h>

TEST(TransformedFileSize, DecimalUnitsAtEveryThreshold)
{
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0 B"},
        {999, "999 B"},
        {1000, "1000 B"},
        {1001, "1 KB"},
        {1536, "1.54 KB"},
        {999999, "1000 KB"},
        {1000000, "1000 KB"},
        {1000001, "1 MB"},
        {1500000, "1.5 MB"},
        {1000000000, "1000 MB"},
        {1000000001, "1 GB"},
        {5000000000000ULL, "5000 GB"},
        {2000000000000000ULL, "2000000 GB"},
    };
    for (const auto& [size, text] : cases) {
        EXPECT_EQ(transformedFileSize(size, false, true), QString::fromLatin1(text)) << size;
    }
}

TEST(TransformedFileSize, SpacesAndTokenFlags)
{
    EXPECT_EQ(transformedFileSize(1500000, true, true), QStringLiteral("1.5  MB"));
    EXPECT_EQ(transformedFileSize(1500000, false, false), QStringLiteral("1.5 "));
    EXPECT_EQ(transformedFileSize(0, false, false), QStringLiteral("0 "));
    EXPECT_EQ(transformedFileSize(0, true, false), QStringLiteral("0  "));
}

TEST(RemoveTheTrailingZeros, OnlyFractionsLoseZeros)
{
    const std::pair<const char*, const char*> cases[] = {
        {"10.00", "10"}, {"1.50", "1.5"},  {"0.00", "0"}, {"1000.00", "1000"}, {"12", "12"},
        {"100", "100"},  {"5", "5"},       {"5.", "5"},   {"0.000000", "0.00"}, {"2.25", "2.25"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(removeTheTrailingZeros(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
    }
}

TEST(FormatDateEn, MinutesAndPaddedSecondsWithoutHours)
{
    EXPECT_EQ(formatDateEn(0), QStringLiteral("0m 00s"));
    EXPECT_EQ(formatDateEn(5), QStringLiteral("0m 05s"));
    EXPECT_EQ(formatDateEn(65), QStringLiteral("1m 05s"));
    EXPECT_EQ(formatDateEn(3600), QStringLiteral("60m 00s"));
    EXPECT_EQ(formatDateEn(7325), QStringLiteral("122m 05s"));
    EXPECT_EQ(formatDateEn(-65), QStringLiteral("-1m 05s"));
}
