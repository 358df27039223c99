#include "RYTConfigManager.h"

RYTConfigManager* RYTConfigManager::shared()
{
    static RYTConfigManager manager;
    return &manager;
}

void RYTConfigManager::reset()
{
    themeColor_ = QColor(58, 97, 246);
    leftButtonTitleColors_ = {themeColor_};
    leftButtonBorderColors_ = {themeColor_};
    rightButtonTitleColors_ = {Qt::white};
    rightButtonColors_ = {themeColor_};
    windowBgColor_ = Qt::white;
    windowTitleBarColor_ = Qt::white;
    progressColor_ = themeColor_;
    progressBackgroundColor_ = Qt::white;
    textColor_ = Qt::darkGray;
    isLantaro_ = false;
    severURL_.clear();
}

QColor RYTConfigManager::colorAt(const QList<QColor>& colors, ButtonState state, const QColor& fallback)
{
    if (colors.isEmpty()) {
        return fallback;
    }
    QColor color = colors.first();
    if (state == ButtonState::hover && colors.size() > 1) {
        color = colors.at(1);
    } else if (state == ButtonState::disabled && colors.size() > 2) {
        color = colors.last();
    }
    return color.isValid() ? color : fallback;
}
