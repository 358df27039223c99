#include "RYTUpdateDialog.h"

#include "RYTConfigManager.h"

#include "Foundation/Bundle.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString rgba(const QColor& color)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}
}  // namespace

RYTUpdateDialog::RYTUpdateDialog(const QString& productName, const QString& version, QWidget* parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("RYTUpdateDialog"));
    setWindowTitle(localized("Check for Updates"));
    setMinimumWidth(420);

    titleBar_ = new QWidget(this);
    titleBar_->setObjectName(QStringLiteral("titleBar"));
    titleBar_->setAttribute(Qt::WA_StyledBackground);
    titleLabel_ = new QLabel(localized("Check for Updates"), titleBar_);
    auto* titleLayout = new QHBoxLayout(titleBar_);
    titleLayout->setContentsMargins(16, 8, 16, 8);
    titleLayout->addWidget(titleLabel_);

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    headline_ = new QLabel(localized("Unable to check for updates"), this);
    headline_->setObjectName(QStringLiteral("headline"));
    QFont bold = headline_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    headline_->setFont(bold);
    message_ = new QLabel(localized("There is no update server for this copy of %1, so it could not be checked whether a "
                                  "version newer than %2 exists.")
                            .arg(productName, version), this);
    message_->setWordWrap(true);

    okButton_ = new QPushButton(localized("OK"), this);
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setDefault(true);
    okButton_->setMinimumSize(96, 32);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(headline_);
    texts->addWidget(message_);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(20, 16, 20, 8);
    body->addWidget(icon, 0, Qt::AlignTop);
    body->addSpacing(12);
    body->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(20, 8, 20, 16);
    buttons->addStretch(1);
    buttons->addWidget(okButton_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(titleBar_);
    layout->addLayout(body);
    layout->addLayout(buttons);
}

void RYTUpdateDialog::applyTheme(const RYTConfigManager& config)
{
    using State = RYTConfigManager::ButtonState;
    const QColor theme = config.themeColor();
    const auto colors = config.rightButtonColors();
    const auto titles = config.rightButtonTitleColors();
    setStyleSheet(
        QStringLiteral("QDialog#RYTUpdateDialog { background: %1; }"
                       "QWidget#titleBar { background: %2; }"
                       "QLabel { color: %3; }"
                       "QPushButton#okButton { background: %4; color: %5; border: none; border-radius: 4px;"
                       " padding: 4px 16px; }"
                       "QPushButton#okButton:hover { background: %6; color: %7; }"
                       "QPushButton#okButton:disabled { background: %8; color: %9; }")
            .arg(rgba(config.windowBgColor()), rgba(config.windowTitleBarColor()), rgba(config.textColor()),
                 rgba(RYTConfigManager::colorAt(colors, State::normal, theme)),
                 rgba(RYTConfigManager::colorAt(titles, State::normal, Qt::white)),
                 rgba(RYTConfigManager::colorAt(colors, State::hover, theme)),
                 rgba(RYTConfigManager::colorAt(titles, State::hover, Qt::white)),
                 rgba(RYTConfigManager::colorAt(colors, State::disabled, theme)),
                 rgba(RYTConfigManager::colorAt(titles, State::disabled, Qt::white))));
    headline_->setStyleSheet(QStringLiteral("color: %1;").arg(rgba(theme)));
}

QString RYTUpdateDialog::headline() const
{
    return headline_->text();
}

QString RYTUpdateDialog::message() const
{
    return message_->text();
}
