#pragma once

#include <QColor>
#include <QList>
#include <QString>

// The look of the update dialog and the server it would ask. Set by the
// program before every check; the dialog reads it when it opens.
class RYTConfigManager {
public:
    // The one configuration; never null.
    static RYTConfigManager* shared();

    void setThemeColor(const QColor& color) { themeColor_ = color; }
    QColor themeColor() const { return themeColor_; }
    // Colour lists: one entry applies to every state; with more, the first
    // is the normal, the second the hover and the last the disabled colour.
    void setLeftButtonTitleColors(const QList<QColor>& colors) { leftButtonTitleColors_ = colors; }
    QList<QColor> leftButtonTitleColors() const { return leftButtonTitleColors_; }
    void setLeftButtonBorderColors(const QList<QColor>& colors) { leftButtonBorderColors_ = colors; }
    QList<QColor> leftButtonBorderColors() const { return leftButtonBorderColors_; }
    void setRightButtonTitleColors(const QList<QColor>& colors) { rightButtonTitleColors_ = colors; }
    QList<QColor> rightButtonTitleColors() const { return rightButtonTitleColors_; }
    void setRightButtonColors(const QList<QColor>& colors) { rightButtonColors_ = colors; }
    QList<QColor> rightButtonColors() const { return rightButtonColors_; }
    void setWindowBgColor(const QColor& color) { windowBgColor_ = color; }
    QColor windowBgColor() const { return windowBgColor_; }
    void setWindowTitleBarColor(const QColor& color) { windowTitleBarColor_ = color; }
    QColor windowTitleBarColor() const { return windowTitleBarColor_; }
    void setProgressColor(const QColor& color) { progressColor_ = color; }
    QColor progressColor() const { return progressColor_; }
    void setProgressBackgroundColor(const QColor& color) { progressBackgroundColor_ = color; }
    QColor progressBackgroundColor() const { return progressBackgroundColor_; }
    void setTextColor(const QColor& color) { textColor_ = color; }
    QColor textColor() const { return textColor_; }

    // The regional edition asks its own server.
    void setIsLantaro(bool isLantaro) { isLantaro_ = isLantaro; }
    bool isLantaro() const { return isLantaro_; }
    void setSeverURL(const QString& url) { severURL_ = url; }
    QString severURL() const { return severURL_; }

    // Back to the unthemed defaults (tests).
    void reset();

    enum class ButtonState { normal, hover, disabled };
    // The colour a list gives for a state; the fallback for an empty list.
    static QColor colorAt(const QList<QColor>& colors, ButtonState state, const QColor& fallback);

private:
    RYTConfigManager() { reset(); }

    QColor themeColor_;
    QList<QColor> leftButtonTitleColors_;
    QList<QColor> leftButtonBorderColors_;
    QList<QColor> rightButtonTitleColors_;
    QList<QColor> rightButtonColors_;
    QColor windowBgColor_;
    QColor windowTitleBarColor_;
    QColor progressColor_;
    QColor progressBackgroundColor_;
    QColor textColor_;
    bool isLantaro_ = false;
    QString severURL_;
};
