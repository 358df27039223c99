#pragma once

#include <initializer_list>
#include <utility>

#include <QPointer>
#include <QStringList>
#include <QVariant>

#include "Foundation/PropertyList.h"
#include "TestSupport.h"
#include "View/PreferenceView/PreferenceWIndowController.h"

class PopUpButton;
class PreferenceViewController;
class QLineEdit;
class RYTCheckBox;
class QWidget;

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// A shown preferences window on a temporary home, with the settings file's
// contents at hand and every sheet the window asked for recorded.
class PreferenceTest : public TempHomeTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the settings file over the defaults before the window reads it.
    void writeSettings(std::initializer_list<std::pair<const char*, QVariant>> changes);
    // Makes and shows the window (the first test step that needs it).
    PreferenceWIndowController& window();
    PreferenceViewController& controller();
    void reopen();
    void close();

    // Waits until the saves the window handed over are written and their
    // answers (a failure notice) are in.
    static void settle();
    // The settings file as it is on disk now.
    PlistDict file() const;
    // Every key but the named ones is as in `before`; the named ones hold
    // exactly the given value and type.
    void expectFile(const PlistDict& before, std::initializer_list<std::pair<const char*, QVariant>> changed) const;

    template <typename T>
    T* child(const char* name) const;
    QLineEdit* field(const char* name) const;
    RYTCheckBox* box(const char* name) const;
    PopUpButton* popup(const char* name) const;
    bool on(const char* name) const;

    void chooseTab(const char* selectViewName);
    // A user's edit: focus, replace the text by typing, then Enter.
    void type(const char* fieldName, const QString& text, bool enter = true);
    void clickBox(const char* name);
    // A click somewhere neutral inside the window.
    void clickElsewhere();
    // Picks a unit in a pop-up as a click on its menu row does.
    void chooseUnit(const char* popupName, const QString& unit);

    QStringList sheets;

private:
    QPointer<PreferenceWIndowController> window_;
};

template <typename T>
T* PreferenceTest::child(const char* name) const
{
    T* found = window_ ? window_->template findChild<T*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_NE(found, nullptr) << name;
    return found;
}
