#pragma once

#include <QColor>
#include <QList>
#include <QString>

// The look, the product data and the links of the feedback dialog; set by the
// program before it opens the dialog.
class RYFConfigManager {
public:
    // The one configuration; never null.
    static RYFConfigManager* shared();

    void setThemeColor(const QColor& color) { themeColor_ = color; }
    QColor themeColor() const { return themeColor_; }
    void setLinkColor(const QColor& color) { linkColor_ = color; }
    QColor linkColor() const { return linkColor_; }
    void setBorderColor(const QColor& color) { borderColor_ = color; }
    QColor borderColor() const { return borderColor_; }
    void setCircleProgressColor(const QColor& color) { circleProgressColor_ = color; }
    QColor circleProgressColor() const { return circleProgressColor_; }
    void setCircleProgressBgColor(const QColor& color) { circleProgressBgColor_ = color; }
    QColor circleProgressBgColor() const { return circleProgressBgColor_; }
    // Colour lists: one entry applies to every state; with more, the first is
    // the normal, the second the hover and the last the disabled colour.
    void setSubmitButtonTitleColors(const QList<QColor>& colors) { submitButtonTitleColors_ = colors; }
    QList<QColor> submitButtonTitleColors() const { return submitButtonTitleColors_; }
    void setSubmitButtonColors(const QList<QColor>& colors) { submitButtonColors_ = colors; }
    QList<QColor> submitButtonColors() const { return submitButtonColors_; }
    void setRightButtonTitleColors(const QList<QColor>& colors) { rightButtonTitleColors_ = colors; }
    QList<QColor> rightButtonTitleColors() const { return rightButtonTitleColors_; }
    void setRightButtonColors(const QList<QColor>& colors) { rightButtonColors_ = colors; }
    QList<QColor> rightButtonColors() const { return rightButtonColors_; }

    // The log folder whose copy can be attached; empty: nothing to attach.
    void setLogsPath(const QString& path) { logsPath_ = path; }
    QString logsPath() const { return logsPath_; }
    // The resource image shown once the feedback is saved.
    void setOkImageName(const QString& name) { okImageName_ = name; }
    QString okImageName() const { return okImageName_; }
    void setProductID(const QString& productID) { productID_ = productID; }
    QString productID() const { return productID_; }
    // The three help links; empty leaves the link out of the dialog.
    void setOrderIssuesUrl(const QString& url) { orderIssuesUrl_ = url; }
    QString orderIssuesUrl() const { return orderIssuesUrl_; }
    void setTechnicalProblemsUrl(const QString& url) { technicalProblemsUrl_ = url; }
    QString technicalProblemsUrl() const { return technicalProblemsUrl_; }
    void setProductSupportUrl(const QString& url) { productSupportUrl_ = url; }
    QString productSupportUrl() const { return productSupportUrl_; }

    // Back to the unthemed defaults with no product data (tests).
    void reset();

    enum class ButtonState { normal, hover, disabled };
    static QColor colorAt(const QList<QColor>& colors, ButtonState state, const QColor& fallback);

private:
    RYFConfigManager() { reset(); }

    QColor themeColor_;
    QColor linkColor_;
    QColor borderColor_;
    QColor circleProgressColor_;
    QColor circleProgressBgColor_;
    QList<QColor> submitButtonTitleColors_;
    QList<QColor> submitButtonColors_;
    QList<QColor> rightButtonTitleColors_;
    QList<QColor> rightButtonColors_;
    QString logsPath_;
    QString okImageName_;
    QString productID_;
    QString orderIssuesUrl_;
    QString technicalProblemsUrl_;
    QString productSupportUrl_;
};
