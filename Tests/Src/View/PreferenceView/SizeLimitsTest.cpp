// The size limits of the General and Similar Images pages: the switches, the
// fields, the unit pop-ups, the rule that a maximum is never below the
// minimum, and what the fields take.
#include "PreferenceFixture.h"

#include "QVLibrary/RYTCheckBox.h"
#include "View/CustomView/PopUpButton.h"
#include "View/PreferenceView/PreferenceViewController.h"
#include "Window/SheetWindowController.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

const QString kSheet = "Maximum value must be greater than or equal to minimum value. Please enter again.";

class SizeLimitsTest : public PreferenceTest {
protected:
    // Both General sides on, in the given units, fields empty.
    void bothOn(const char* maxUnit = "MB", const char* minUnit = "MB")
    {
        writeSettings({{"maxSelect", true}, {"minSelect", true}, {"maxSizeType", maxUnit}, {"minSizeType", minUnit}});
        window();
    }
    QString title(const char* popupName) { return popup(popupName)->selectedTitle()->text(); }
};

}  // namespace

TEST_F(SizeLimitsTest, AMaximumBelowTheMinimumTakesTheMinimumAndTheReverse)
{
    bothOn();
    PlistDict before = file();
    type("minFileSize", "10");
    type("maxFileSize", "5");
    EXPECT_EQ(sheets, QStringList{kSheet});
    // The sheet shows over the preferences window itself.
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isShowing());
    EXPECT_EQ(sheet->labelTextField()->text(), kSheet);
    EXPECT_EQ(sheet->window()->window(), &window());
    EXPECT_EQ(field("maxFileSize")->text(), "10");
    expectFile(before, {{"maxFileSize", QString("10")}, {"minFileSize", QString("10")}});

    sheets.clear();
    type("maxFileSize", "5");  // the same check, now from the other side
    sheets.clear();
    type("maxFileSize", "20");
    type("minFileSize", "50");
    EXPECT_EQ(sheets, QStringList{kSheet});
    EXPECT_EQ(field("minFileSize")->text(), "20");
    EXPECT_EQ(file().value("minFileSize").toString(), "20");
}

TEST_F(SizeLimitsTest, SidesInDifferentUnitsAreComparedInBytes)
{
    // 5 KB against 10 MB would let no file through: the side just changed
    // takes the other side's number and unit.
    bothOn("KB", "MB");
    const PlistDict before = file();
    type("minFileSize", "10");
    EXPECT_TRUE(sheets.isEmpty());
    type("maxFileSize", "5");
    EXPECT_EQ(sheets, QStringList{kSheet});
    EXPECT_EQ(field("maxFileSize")->text(), "10");
    EXPECT_EQ(title("maxByteTypeBox"), "MB");
    expectFile(before, {{"maxFileSize", QString("10")}, {"minFileSize", QString("10")}, {"maxSizeType", QString("MB")}});

    // 1 GB against 500 MB is sound across units and stays.
    type("minFileSize", "");
    chooseUnit("maxByteTypeBox", "GB");
    sheets.clear();
    type("maxFileSize", "1");
    type("minFileSize", "500");
    EXPECT_TRUE(sheets.isEmpty());
    EXPECT_EQ(file().value("maxFileSize").toString(), "1");
    EXPECT_EQ(file().value("maxSizeType").toString(), "GB");
    EXPECT_EQ(file().value("minFileSize").toString(), "500");
}

TEST_F(SizeLimitsTest, UnitChoicesAreCheckedByOrderThenInBytes)
{
    writeSettings({{"maxSelect", true}, {"minSelect", true}, {"maxFileSize", "20"}, {"minFileSize", "10"}});
    window();
    const PlistDict before = file();
    // KB for a 20 MB maximum against 10 MB: back to MB with the minimum's number.
    chooseUnit("maxByteTypeBox", "KB");
    EXPECT_EQ(sheets, QStringList{kSheet});
    EXPECT_EQ(title("maxByteTypeBox"), "MB");
    EXPECT_EQ(field("maxFileSize")->text(), "10");
    expectFile(before, {{"maxSizeType", QString("MB")}, {"maxFileSize", QString("10")}});

    // GB for the minimum under an MB maximum: back to MB with the maximum's text.
    sheets.clear();
    type("maxFileSize", "30");
    chooseUnit("minByteTypeBox", "GB");
    EXPECT_EQ(sheets, QStringList{kSheet});
    EXPECT_EQ(title("minByteTypeBox"), "MB");
    EXPECT_EQ(field("minFileSize")->text(), "30");
    EXPECT_EQ(file().value("minSizeType").toString(), "MB");

    // GB for the maximum is allowed.
    sheets.clear();
    chooseUnit("maxByteTypeBox", "GB");
    EXPECT_TRUE(sheets.isEmpty());
    EXPECT_EQ(file().value("maxSizeType").toString(), "GB");
    EXPECT_EQ(controller().maxByteType(), 3);

    // Units that pass by order but not in bytes: 5 MB maximum, 10 KB
    // minimum switched to MB takes the maximum's 5 MB.
    chooseUnit("minByteTypeBox", "KB");
    type("minFileSize", "10");
    chooseUnit("maxByteTypeBox", "MB");
    type("maxFileSize", "5");
    EXPECT_TRUE(sheets.isEmpty());
    chooseUnit("minByteTypeBox", "MB");
    EXPECT_EQ(sheets, QStringList{kSheet});
    EXPECT_EQ(field("minFileSize")->text(), "5");
    EXPECT_EQ(file().value("minFileSize").toString(), "5");
    EXPECT_EQ(file().value("minSizeType").toString(), "MB");
}

TEST_F(SizeLimitsTest, TheTwoBlocksKeepToTheirOwnControlsAndKeys)
{
    writeSettings({{"maxSelect", true}, {"minSelect", true}, {"maxFileSize", "20"}, {"minFileSize", "10"},
                   {"similarImageMaxSelect", true}, {"similarImageMinSelect", true},
                   {"similarImageMaxFileSize", "20"}, {"similarImageMinFileSize", "10"}});
    window();
    chooseTab("similarImageSelectView");
    const PlistDict before = file();
    chooseUnit("similarImageMaxByteTypeBox", "GB");
    expectFile(before, {{"similarImageMaxSizeType", QString("GB")}});
    clickBox("similarImageMinSelectBox");
    expectFile(before, {{"similarImageMaxSizeType", QString("GB")}, {"similarImageMinSelect", false}});
    EXPECT_TRUE(on("minSelectBox"));
    EXPECT_EQ(title("maxByteTypeBox"), "MB");

    chooseTab("generalSelectView");
    clickBox("maxSelectBox");
    expectFile(before, {{"similarImageMaxSizeType", QString("GB")}, {"similarImageMinSelect", false},
                        {"maxSelect", false}});
}

TEST_F(SizeLimitsTest, TurningASideOnWithTheOtherOffSavesOnTheNextClick)
{
    window();
    const PlistDict before = file();
    clickBox("maxSelectBox");
    EXPECT_FALSE(field("maxFileSize")->isReadOnly());
    EXPECT_TRUE(popup("maxByteTypeBox")->isEnabled());
    EXPECT_EQ(file().value("maxSelect"), QVariant(false));
    clickElsewhere();
    expectFile(before, {{"maxSelect", true}});

    clickBox("maxSelectBox");
    EXPECT_TRUE(field("maxFileSize")->isReadOnly());
    EXPECT_FALSE(popup("maxByteTypeBox")->isEnabled());
    EXPECT_EQ(popup("maxByteTypeBox")->iconView()->imageName(), "PopUpButton_dis");
    expectFile(before, {{"maxSelect", false}});
}

TEST_F(SizeLimitsTest, TurningASideOnChecksItAgainstTheOtherWithOneSheet)
{
    writeSettings({{"minSelect", true}, {"maxFileSize", "5"}, {"minFileSize", "10"}});
    window();
    const PlistDict before = file();
    clickBox("maxSelectBox");
    EXPECT_EQ(sheets, QStringList{kSheet});
    EXPECT_EQ(field("maxFileSize")->text(), "10");
    expectFile(before, {{"maxSelect", true}, {"maxFileSize", QString("10")}});

    // Different units, the maximum's smaller: the unit follows, and a number
    // still too small in bytes follows as well, under the same one sheet.
    clickBox("maxSelectBox");
    chooseTab("repeatFileSelectView");
    writeSettings({{"minSelect", true}, {"maxFileSize", "20"}, {"maxSizeType", "KB"}, {"minFileSize", "10"}});
    chooseTab("generalSelectView");
    sheets.clear();
    clickBox("maxSelectBox");
    EXPECT_EQ(sheets, QStringList{kSheet});
    EXPECT_EQ(title("maxByteTypeBox"), "MB");
    EXPECT_EQ(field("maxFileSize")->text(), "20");

    clickBox("maxSelectBox");
    chooseTab("repeatFileSelectView");
    writeSettings({{"minSelect", true}, {"maxFileSize", "5"}, {"maxSizeType", "KB"}, {"minFileSize", "10"}});
    chooseTab("generalSelectView");
    sheets.clear();
    clickBox("maxSelectBox");
    EXPECT_EQ(sheets, QStringList{kSheet});
    EXPECT_EQ(title("maxByteTypeBox"), "MB");
    EXPECT_EQ(field("maxFileSize")->text(), "10");
    EXPECT_EQ(file().value("maxFileSize").toString(), "10");
    EXPECT_EQ(file().value("maxSizeType").toString(), "MB");
}

TEST_F(SizeLimitsTest, EmptyTextsAreNeverCheckedAndTextsThatAreNoNumberCountAsZero)
{
    bothOn();
    type("minFileSize", "10");
    type("maxFileSize", "");
    EXPECT_TRUE(sheets.isEmpty());
    EXPECT_EQ(file().value("maxFileSize").toString(), "");

    // A text that is no number (from a file edited by hand) counts as 0.
    field("maxFileSize")->setText("abc");
    QTest::keyClick(field("maxFileSize"), Qt::Key_Return);
    EXPECT_EQ(sheets, QStringList{kSheet});
    EXPECT_EQ(field("maxFileSize")->text(), "10");
    sheets.clear();
    field("minFileSize")->setText("x");
    QTest::keyClick(field("minFileSize"), Qt::Key_Return);
    EXPECT_TRUE(sheets.isEmpty());
    EXPECT_EQ(file().value("minFileSize").toString(), "x");
}

TEST_F(SizeLimitsTest, TwoChangedSidesTradePlacesUnderOneSheet)
{
    bothOn();
    type("maxFileSize", "50");
    type("minFileSize", "10");
    sheets.clear();
    field("maxFileSize")->setText("5");
    field("minFileSize")->setText("20");
    clickElsewhere();
    EXPECT_EQ(sheets, QStringList{kSheet}) << "one sheet per action";
    EXPECT_EQ(field("maxFileSize")->text(), "20");
    EXPECT_EQ(field("minFileSize")->text(), "5");
    EXPECT_EQ(file().value("maxFileSize").toString(), "20");
    EXPECT_EQ(file().value("minFileSize").toString(), "5");
}

TEST_F(SizeLimitsTest, FieldsTakeDigitsOnlyUpToTheirLength)
{
    writeSettings({{"maxSelect", true}, {"similarImageMaxSelect", true}});
    window();
    QLineEdit* max = field("maxFileSize");
    type("maxFileSize", "123", false);
    QTest::keyClicks(max, "4");
    EXPECT_EQ(max->text(), "123");
    EXPECT_TRUE(controller().fieldNote().contains("3")) << controller().fieldNote().toStdString();
    max->selectAll();
    QTest::keyClick(max, Qt::Key_Backspace);
    QTest::keyClicks(max, "1a");
    EXPECT_EQ(max->text(), "1");

    // A paste of too many digits is refused whole, not cut.
    QApplication::clipboard()->setText("15000");
    max->selectAll();
    max->paste();
    EXPECT_EQ(max->text(), "1");
    QApplication::clipboard()->setText("150");
    max->selectAll();
    max->paste();
    EXPECT_EQ(max->text(), "150");

    chooseTab("similarImageSelectView");
    QLineEdit* similar = field("similarImageMaxFileSize");
    type("similarImageMaxFileSize", "12345", false);
    EXPECT_EQ(similar->text(), "12345");
    QApplication::clipboard()->setText("1234567890123456789");
    similar->selectAll();
    similar->paste();
    EXPECT_EQ(similar->text(), "12345");
    QTest::keyClick(similar, Qt::Key_Return);
    EXPECT_EQ(file().value("similarImageMaxFileSize").toString(), "12345");
}

TEST_F(SizeLimitsTest, StoredTextsShowAsTheyAreAndCanBeCorrected)
{
    writeSettings({{"maxSelect", true}, {"maxFileSize", "1500"}, {"minFileSize", "1O"}});
    window();
    EXPECT_EQ(field("maxFileSize")->text(), "1500");
    EXPECT_EQ(field("minFileSize")->text(), "1O");
    QLineEdit* max = field("maxFileSize");
    max->setFocus();
    max->end(false);
    QTest::keyClick(max, Qt::Key_Backspace);
    EXPECT_EQ(max->text(), "150");
}
