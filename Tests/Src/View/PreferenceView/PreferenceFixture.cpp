#include "PreferenceFixture.h"

#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "View/CustomView/PopUpButton.h"
#include "View/PreferenceView/PreferenceViewController.h"
#include "View/PreferenceView/PreferenceWIndowController.h"
#include "Window/SheetWindowController.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

void PreferenceTest::SetUp()
{
    TempHomeTest::SetUp();
    RYTDarkMode::setForcedAppearance(0);
}

void PreferenceTest::TearDown()
{
    PreferenceViewController::setPathChooserForTesting(nullptr);
    if (SheetWindowController::globalSheetController()) {
        SheetWindowController::endSheet();
    }
    delete window_.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // No save of this test lands in the next one's home.
    settle();
    RYTDarkMode::setForcedAppearance(-1);
    TempHomeTest::TearDown();
}

void PreferenceTest::writeSettings(std::initializer_list<std::pair<const char*, QVariant>> changes)
{
    PlistDict dict = PerferenceInfo::defaultDictionary();
    for (const auto& [key, value] : changes) {
        dict.insert(QString::fromLatin1(key), value);
    }
    ASSERT_TRUE(PropertyList::writeFile(PerferenceInfo::settingsPath(), QVariant::fromValue(dict)));
}

PreferenceWIndowController& PreferenceTest::window()
{
    if (!window_) {
        window_ = new PreferenceWIndowController;
        QObject::connect(window_->preferenceViewController(), &PreferenceViewController::sheetShown,
                         window_, [this](const QString& message) { sheets << message; });
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_));
    }
    return *window_;
}

PreferenceViewController& PreferenceTest::controller()
{
    return *window().preferenceViewController();
}

void PreferenceTest::reopen()
{
    window().show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_));
}

void PreferenceTest::close()
{
    QTest::keyClick(&window(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(window_->isVisible());
}

void PreferenceTest::settle()
{
    EXPECT_TRUE(PerferenceInfo::waitForBackgroundSaves(std::chrono::seconds(10)));
}

PlistDict PreferenceTest::file() const
{
    settle();
    const auto stored = PropertyList::readFile(PerferenceInfo::settingsPath());
    EXPECT_TRUE(stored.has_value());
    return stored ? stored->value<PlistDict>() : PlistDict();
}

void PreferenceTest::expectFile(const PlistDict& before,
                                std::initializer_list<std::pair<const char*, QVariant>> changed) const
{
    const PlistDict now = file();
    QStringList named;
    for (const auto& [key, value] : changed) {
        const QString name = QString::fromLatin1(key);
        named << name;
        const QVariant stored = now.value(name);
        EXPECT_EQ(stored.typeId(), value.typeId()) << key << " is stored as " << stored.typeName();
        EXPECT_EQ(stored, value) << key << " = " << stored.toString().toStdString();
    }
    for (const QString& key : before.keys()) {
        if (!named.contains(key)) {
            EXPECT_EQ(now.value(key), before.value(key)) << key.toStdString() << " changed";
        }
    }
    EXPECT_EQ(now.size(), before.size()) << "keys were added or lost";
}

QLineEdit* PreferenceTest::field(const char* name) const
{
    return child<QLineEdit>(name);
}

RYTCheckBox* PreferenceTest::box(const char* name) const
{
    return child<RYTCheckBox>(name);
}

PopUpButton* PreferenceTest::popup(const char* name) const
{
    return child<PopUpButton>(name);
}

bool PreferenceTest::on(const char* name) const
{
    return box(name)->state() == RYTCheckBox::stateOn;
}

void PreferenceTest::chooseTab(const char* selectViewName)
{
    QTest::mouseClick(child<RYSelectView>(selectViewName), Qt::LeftButton, {}, QPoint(10, 10));
    settle();
}

void PreferenceTest::type(const char* fieldName, const QString& text, bool enter)
{
    QLineEdit* edit = field(fieldName);
    edit->setFocus();
    // Clearing by keys, as a user would: select all, then delete.
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    if (enter) {
        QTest::keyClick(edit, Qt::Key_Return);
    }
    settle();
}

void PreferenceTest::clickBox(const char* name)
{
    QTest::mouseClick(box(name), Qt::LeftButton, {}, QPoint(8, 8));
    settle();
}

void PreferenceTest::clickElsewhere()
{
    QWidget* title = child<QLabel>("windowTitle");
    QTest::mouseClick(title, Qt::LeftButton, {}, QPoint(2, 2));
    settle();
}

void PreferenceTest::chooseUnit(const char* popupName, const QString& unit)
{
    popup(popupName)->selectItemAtTitle(unit);
    settle();
}
