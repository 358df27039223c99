#include "RYFConfigManager.h"

RYFConfigManager* RYFConfigManager::shared()
{
    static RYFConfigManager manager;
    return &manager;
}

void RYFConfigManager::reset()
{
    themeColor_ = QColor(58, 97, 246);
    linkColor_ = themeColor_;
    borderColor_ = QColor(220, 220, 220);
    circleProgressColor_ = themeColor_;
    circleProgressBgColor_ = QColor(230, 230, 230);
    submitButtonTitleColors_ = {Qt::white};
    submitButtonColors_ = {themeColor_};
    rightButtonTitleColors_ = {Qt::white};
    rightButtonColors_ = {themeColor_};
    logsPath_.clear();
    okImageName_.clear();
    productID_.clear();
    orderIssuesUrl_.clear();
    technicalProblemsUrl_.clear();
    productSupportUrl_.clear();
}

QColor RYFConfigManager::colorAt(const QList<QColor>& colors, ButtonState state, const QColor& fallback)
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
