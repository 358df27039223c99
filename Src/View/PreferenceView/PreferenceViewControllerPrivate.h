#pragma once

// What the preferences controller's source files share.

#include <functional>

#include <QColor>
#include <QString>

class PopUpButton;
class QWidget;
class PreferenceViewController;

namespace PreferenceLook {
// Colours of system roles the pages use, for the present appearance.
QColor gridColor();
QColor secondarySelectedControlColor();
void setTextColor(QWidget* widget, const QColor& color);
// A size field: its fill, border and text colour.
void styleField(QWidget* field, const QColor& text);
void setPopupIcon(PopUpButton* popup, const QString& imageName);
void setPopupTitleColor(PopUpButton* popup, const QColor& color);
}  // namespace PreferenceLook

// Runs an action of the controller: at most one size sheet is shown for it,
// when the outermost action ends.
class PreferenceActionScope {
public:
    explicit PreferenceActionScope(int& depth, std::function<void()> atEnd)
        : depth_(depth)
        , atEnd_(std::move(atEnd))
    {
        ++depth_;
    }
    ~PreferenceActionScope()
    {
        if (--depth_ == 0 && atEnd_) {
            atEnd_();
        }
    }
    PreferenceActionScope(const PreferenceActionScope&) = delete;
    PreferenceActionScope& operator=(const PreferenceActionScope&) = delete;

private:
    int& depth_;
    std::function<void()> atEnd_;
};
