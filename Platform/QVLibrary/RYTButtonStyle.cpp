#include "RYTButton.h"

#include "RYTDarkMode.h"

// The named colours are looked up on every call, so a button styled after an
// appearance change takes the colours of the new appearance.

QColor RYTButton::normalColor()
{
    return RYTDarkMode::colorNamed(QStringLiteral("ButtonNormalColor"));
}

QColor RYTButton::hoverColor()
{
    return RYTDarkMode::colorNamed(QStringLiteral("ButtonHoverColor"));
}

QColor RYTButton::disableColor()
{
    return RYTDarkMode::colorNamed(QStringLiteral("ButtonDisableColor"));
}

QColor RYTButton::normalUncertainColor()
{
    return RYTDarkMode::colorNamed(QStringLiteral("ButtonNormalUncertainColor"));
}

QColor RYTButton::hoverUncertainColor()
{
    return RYTDarkMode::colorNamed(QStringLiteral("ButtonHoverUncertainColor"));
}

QColor RYTButton::clickUncertainColor()
{
    return RYTDarkMode::colorNamed(QStringLiteral("ButtonClickUncertainColor"));
}

QColor RYTButton::disableUncertainColor()
{
    return RYTDarkMode::colorNamed(QStringLiteral("ButtonDisableUncertainColor"));
}

QColor RYTButton::uncertainTitleColor()
{
    return RYTDarkMode::colorNamed(QStringLiteral("LabelColor"));
}

QColor RYTButton::backBorderColor()
{
    return QColor::fromRgbF(193.0f / 256.0f, 204.0f / 256.0f, 214.0f / 256.0f, 1.0f);
}

QColor RYTButton::backTitleColor()
{
    return RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"));
}

void RYTButton::setButton(ShowType type, const QString& title)
{
    setCornerRadius(4.0);
    setTitle(title);
    switch (type) {
    case ShowType::normal:
        setTitleColors({QColor(Qt::white)});
        setButtonStateColor(normalColor(), hoverColor(), hoverColor(), disableColor());
        break;
    case ShowType::uncertain: {
        const QColor title = uncertainTitleColor();
        setTitleColor(title, title, title, title);
        setButtonStateColor(normalUncertainColor(), hoverUncertainColor(), clickUncertainColor(),
                            disableUncertainColor());
        break;
    }
    case ShowType::normalBorder:
        setTitleColor(normalColor(), hoverColor(), hoverColor(), hoverColor());
        setButtonBorderColor(normalColor(), hoverColor(), hoverColor(), hoverColor());
        break;
    case ShowType::uncertainBorder:
        setTitleColor(normalUncertainColor(), hoverUncertainColor(), hoverUncertainColor(), hoverUncertainColor());
        setButtonBorderColor(normalUncertainColor(), hoverUncertainColor(), hoverUncertainColor(),
                             hoverUncertainColor());
        break;
    case ShowType::back: {
        const QColor title = backTitleColor();
        const QColor border = backBorderColor();
        setTitleColor(title, title, title, title);
        setButtonBorderColor(border, border, border, border);
        break;
    }
    }
}
