#pragma once

#include <QColor>
#include <QString>

// Named colours with a light and a dark value, from the colour table built
// into the program. Dark mode follows the application palette.
class RYTDarkMode {
public:
    // The colour for the present appearance; an invalid colour for a name the
    // table does not hold.
    static QColor colorNamed(const QString& name);
    static QColor colorNamed(const QString& name, bool dark);
    static bool isDarkMode();
    // Tests force an appearance; nullopt-like -1 follows the palette again.
    static void setForcedAppearance(int dark);

    // While one exists, its thread sees the light appearance: for painting
    // on surfaces that stay white in both appearances.
    class LightAppearanceScope {
    public:
        LightAppearanceScope();
        ~LightAppearanceScope();
        LightAppearanceScope(const LightAppearanceScope&) = delete;
        LightAppearanceScope& operator=(const LightAppearanceScope&) = delete;
    };
};
