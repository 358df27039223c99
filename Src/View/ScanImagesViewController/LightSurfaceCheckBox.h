#pragma once

#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"

// A check box on a panel that stays white in both appearances: it is drawn
// in the light values of its named colours, so an unchecked box never shows
// dark on the white panel.
class LightSurfaceCheckBox : public RYTCheckBox {
public:
    using RYTCheckBox::RYTCheckBox;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        RYTDarkMode::LightAppearanceScope light;
        RYTCheckBox::paintEvent(event);
    }
};
