#include "Window/AboutWindowController.h"

#include "Foundation/Bundle.h"
#include "QVBaseLib/Helper.h"
#include "QVLibrary/RYTLinkTextField.h"
#include "Window/SheetWindowController.h"

#include "TestSupport.h"

#include "UrlCatcher.h"

#include <QApplication>
#include <QTextEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The information list is fixed at build time; these tests put a different
// distribution mark in for a while.
class InfoValue {
public:
    InfoValue(const QString& key, const QVariant& value)
        : key_(key)
        , had_(dict().contains(key))
        , old_(dict().value(key))
    {
        if (value.isValid()) {
            dict().insert(key, value);
        } else {
            dict().remove(key);
        }
    }
    ~InfoValue()
    {
        if (had_) {
            dict().insert(key_, old_);
        } else {
            dict().remove(key_);
        }
    }

private:
    static PlistDict& dict() { return const_cast<PlistDict&>(Bundle::main().infoDictionary()); }
    QString key_;
    bool had_;
    QVariant old_;
};

TEST(AboutWindowTest, TheDefaultEditionNamesBrimvaleAndTwinsweep)
{
    InfoValue mark(QStringLiteral("WebMark"), QVariant());
    AboutWindowController about;
    EXPECT_EQ(about.themeLabel()->text(), QStringLiteral("Brimvale"));
    EXPECT_EQ(about.nameLabel()->text(), QStringLiteral("Twinsweep"));
    EXPECT_EQ(about.copyright()->text(), QStringLiteral("Copyright © 2025 Brimvale Software. All rights reserved."));
    EXPECT_EQ(about.tipLabel()->text(),
              QStringLiteral("This computer program is protected by copyright law and international threats. "
                             "Unauthorized reproduction or distribution of this program is strictly prohibited."));
    const QString version = Bundle::main().objectForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString")).toString();
    EXPECT_EQ(about.version()->text(), QStringLiteral("Version: ") + version);
    const QDateTime built = Helper::compileDate();
    EXPECT_EQ(about.date()->text(), QStringLiteral("Date: ") + QLocale(QStringLiteral("en")).toString(built, QStringLiteral("yyyy/MM/dd")));
    const QString about_link = Bundle::main().objectForInfoDictionaryKey(QStringLiteral("About")).toString();
    EXPECT_EQ(about.websiteLabel()->text(), QStringLiteral("Website: ") + about_link);
}

TEST(AboutWindowTest, VelvicMarksShowTheVelvicBrand)
{
    for (const char* value : {"Velvic", "Velvic_Net"}) {
        InfoValue mark(QStringLiteral("WebMark"), QString::fromLatin1(value));
        AboutWindowController about;
        EXPECT_EQ(about.themeLabel()->text(), QStringLiteral("Velvic"));
        EXPECT_EQ(about.nameLabel()->text(), QStringLiteral("Twinsweep"));
        EXPECT_TRUE(about.copyright()->text().contains(QStringLiteral("Brimvale Software")));
    }
}

TEST(AboutWindowTest, TheRegionalEditionUsesItsOwnCompanyAndTheBundleName)
{
    InfoValue mark(QStringLiteral("WebMark"), QStringLiteral("Lantaro"));
    InfoValue name(QStringLiteral("CFBundleName"), QStringLiteral("Twinsweep Pro"));
    AboutWindowController about;
    EXPECT_EQ(about.themeLabel()->text(), QStringLiteral("Lantaro"));
    EXPECT_EQ(about.nameLabel()->text(), QStringLiteral("Twinsweep Pro"));
    EXPECT_EQ(about.copyright()->text(),
              QStringLiteral("Copyright © 2025 Lantaro Software Co., Ltd. All rights reserved."));
}

TEST(AboutWindowTest, MissingValuesLeaveEmptyPartsAfterTheCaptions)
{
    InfoValue version(QStringLiteral("CFBundleShortVersionString"), QVariant());
    InfoValue link(QStringLiteral("About"), QVariant());
    AboutWindowController about;
    EXPECT_EQ(about.version()->text(), QStringLiteral("Version: "));
    EXPECT_EQ(about.websiteLabel()->text(), QStringLiteral("Website: "));
    EXPECT_TRUE(about.websiteLabel()->linkRect().isEmpty());
}

TEST(AboutWindowTest, ShowingTheLinkOfAboutAndOpeningTheHomePage)
{
    InfoValue link(QStringLiteral("About"), QStringLiteral("https://twinsweep.example/about"));
    InfoValue home(QStringLiteral("HomeURL"), QStringLiteral("https://twinsweep.example/"));
    InfoValue withVersion(QStringLiteral("LinkHasVersion"), QStringLiteral("1"));
    InfoValue build(QStringLiteral("CFBundleVersion"), QStringLiteral("100"));
    InfoValue mark(QStringLiteral("WebMark"), QStringLiteral("web"));
    UrlCatcher catcher(QStringLiteral("https"));
    {
        AboutWindowController about;
        about.window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(about.window()));
        const QRect rect = about.websiteLabel()->linkRect();
        ASSERT_FALSE(rect.isEmpty());
        QTest::mouseClick(about.websiteLabel(), Qt::LeftButton, {}, rect.center());
    }
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened.first().toString(), QStringLiteral("https://twinsweep.example/&v=100"));
}

// Where no browser opens the home page, a notice over the About window says
// so, with the address to copy.
TEST(AboutWindowTest, AHomePageThatNoBrowserOpensIsSaidOverTheWindow)
{
    InfoValue home(QStringLiteral("HomeURL"), QStringLiteral("https://twinsweep.example/"));
    AboutWindowController about;
    about.window()->resize(420, 320);
    about.window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about.window()));
    QTest::mouseClick(about.websiteLabel(), Qt::LeftButton, {}, about.websiteLabel()->linkRect().center());
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    ASSERT_TRUE(sheet && sheet->isShowing());
    EXPECT_EQ(sheet->window()->window(), about.window());
    ASSERT_NE(sheet->copyableField(), nullptr);
    EXPECT_TRUE(sheet->copyableField()->toPlainText().startsWith(QStringLiteral("https://twinsweep.example/")));
    SheetWindowController::endSheet();
}

TEST(AboutWindowTest, ClosingTheWindowOrEscapeEndsItsModalState)
{
    QWidget owner;
    owner.resize(600, 400);
    owner.show();
    AboutWindowController about;
    bool closing = false;
    QObject::connect(&about, &AboutWindowController::windowWillClose, [&] { closing = true; });
    about.runModal(&owner);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about.window()));
    EXPECT_TRUE(about.isRunningModal());
    EXPECT_EQ(QApplication::activeModalWidget(), about.window());
    about.window()->close();
    EXPECT_TRUE(closing);
    EXPECT_FALSE(about.isRunningModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Escape closes it as well, as it closes any dialog.
    closing = false;
    about.runModal(&owner);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about.window()));
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && about.window()->isAncestorOf(focus) ? focus : about.window(), Qt::Key_Escape);
    EXPECT_TRUE(closing);
    EXPECT_FALSE(about.window()->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(AboutWindowTest, BuildDateText)
{
    EXPECT_EQ(AboutWindowController::displayDate(QDateTime(QDate(2025, 3, 7), QTime(23, 59))),
              QStringLiteral("2025/03/07"));
    EXPECT_EQ(AboutWindowController::displayDate(QDateTime()), QString());
}

}  // namespace

