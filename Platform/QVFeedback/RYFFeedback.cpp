#include "RYFFeedback.h"

#include "RYFConfigManager.h"

#include "Foundation/Bundle.h"
#include "QVBaseLib/Helper.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {

QPointer<RYFFeedbackDialog>& openDialog()
{
    static QPointer<RYFFeedbackDialog> dialog;
    return dialog;
}

QString rgba(const QColor& color)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

QString buttonStyle(const QString& name, const QList<QColor>& fills, const QList<QColor>& titles,
                    const QColor& theme)
{
    using State = RYFConfigManager::ButtonState;
    return QStringLiteral("QPushButton#%1 { background: %2; color: %3; border: none; border-radius: 4px;"
                          " padding: 4px 16px; min-width: 80px; min-height: 24px; }"
                          "QPushButton#%1:hover { background: %4; color: %5; }"
                          "QPushButton#%1:disabled { background: %6; color: %7; }")
        .arg(name, rgba(RYFConfigManager::colorAt(fills, State::normal, theme)),
             rgba(RYFConfigManager::colorAt(titles, State::normal, Qt::white)),
             rgba(RYFConfigManager::colorAt(fills, State::hover, theme)),
             rgba(RYFConfigManager::colorAt(titles, State::hover, Qt::white)),
             rgba(RYFConfigManager::colorAt(fills, State::disabled, theme)),
             rgba(RYFConfigManager::colorAt(titles, State::disabled, Qt::white)));
}

QPixmap okPixmap(const QString& name)
{
    if (name.isEmpty()) {
        return {};
    }
    for (const QString& file : {name + QStringLiteral(".svg"), name + QStringLiteral(".png"),
                                QStringLiteral("Images/") + name + QStringLiteral(".svg"),
                                QStringLiteral("Images/") + name + QStringLiteral(".png")}) {
        const QString path = Bundle::main().pathForResource(file);
        if (!path.isEmpty()) {
            QPixmap pixmap(path);
            if (!pixmap.isNull()) {
                return pixmap.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            }
        }
    }
    return {};
}

}  // namespace

RYFFeedbackDialog::RYFFeedbackDialog(QWidget* parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("RYFFeedbackDialog"));
    setWindowTitle(localized("Feedback"));
    setMinimumSize(480, 420);

    pages_ = new QStackedWidget(this);

    // The form.
    auto* form = new QWidget(pages_);
    auto* intro = new QLabel(localized("Tell us what went wrong or what you would like to see. "
                                       "Your feedback is saved on this computer so you can send it to us."),
                             form);
    intro->setWordWrap(true);
    links_ = new QLabel(form);
    links_->setTextFormat(Qt::RichText);
    links_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    links_->setOpenExternalLinks(false);
    connect(links_, &QLabel::linkActivated, this, [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
    email_ = new QLineEdit(form);
    email_->setObjectName(QStringLiteral("email"));
    email_->setPlaceholderText(localized("Your e-mail address"));
    message_ = new QPlainTextEdit(form);
    message_->setObjectName(QStringLiteral("message"));
    message_->setPlaceholderText(localized("Describe the problem or your suggestion"));
    attachLogs_ = new QCheckBox(localized("Attach log files"), form);
    attachLogs_->setChecked(true);
    status_ = new QLabel(form);
    status_->setWordWrap(true);
    progress_ = new QProgressBar(form);
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(6);
    progress_->hide();
    cancel_ = new QPushButton(localized("Cancel"), form);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    submit_ = new QPushButton(localized("Submit"), form);
    submit_->setObjectName(QStringLiteral("submitButton"));
    submit_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(submit_, &QPushButton::clicked, this, &RYFFeedbackDialog::submit);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(attachLogs_);
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(submit_);
    auto* formLayout = new QVBoxLayout(form);
    formLayout->addWidget(intro);
    formLayout->addWidget(links_);
    formLayout->addWidget(new QLabel(localized("E-mail"), form));
    formLayout->addWidget(email_);
    formLayout->addWidget(new QLabel(localized("Message"), form));
    formLayout->addWidget(message_, 1);
    formLayout->addWidget(progress_);
    formLayout->addWidget(status_);
    formLayout->addLayout(buttons);

    // The result.
    auto* done = new QWidget(pages_);
    okImage_ = new QLabel(done);
    okImage_->setAlignment(Qt::AlignCenter);
    result_ = new QLabel(done);
    result_->setWordWrap(true);
    result_->setAlignment(Qt::AlignCenter);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    done_ = new QPushButton(localized("Done"), done);
    done_->setObjectName(QStringLiteral("doneButton"));
    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    auto* doneLayout = new QVBoxLayout(done);
    doneLayout->addStretch(1);
    doneLayout->addWidget(okImage_);
    doneLayout->addWidget(result_);
    doneLayout->addStretch(1);
    doneLayout->addWidget(done_, 0, Qt::AlignRight);

    pages_->addWidget(form);
    pages_->addWidget(done);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);

    connect(&watcher_, &QFutureWatcher<RYFFeedbackSaveResult>::finished, this, &RYFFeedbackDialog::saveFinished);
    applyTheme();
}

void RYFFeedbackDialog::applyTheme()
{
    applyColors();
    const RYFConfigManager* config = RYFConfigManager::shared();
    attachLogs_->setEnabled(!config->logsPath().isEmpty());
    if (config->logsPath().isEmpty()) {
        attachLogs_->setChecked(false);
    }
    okImage_->setPixmap(okPixmap(config->okImageName()));
}

void RYFFeedbackDialog::applyColors()
{
    const RYFConfigManager* config = RYFConfigManager::shared();
    const QColor theme = config->themeColor();
    setStyleSheet(
        QStringLiteral("QLineEdit, QPlainTextEdit { border: 1px solid %1; border-radius: 4px; padding: 4px; }"
                       "QLineEdit:focus, QPlainTextEdit:focus { border-color: %2; }"
                       "QProgressBar { background: %3; border: none; border-radius: 3px; }"
                       "QProgressBar::chunk { background: %4; border-radius: 3px; }")
            .arg(rgba(config->borderColor()), rgba(theme), rgba(config->circleProgressBgColor()),
                 rgba(config->circleProgressColor()))
        + buttonStyle(QStringLiteral("submitButton"), config->submitButtonColors(), config->submitButtonTitleColors(),
                      theme)
        + buttonStyle(QStringLiteral("doneButton"), config->submitButtonColors(), config->submitButtonTitleColors(),
                      theme)
        + buttonStyle(QStringLiteral("cancelButton"), config->rightButtonColors(), config->rightButtonTitleColors(),
                      theme));

    QStringList parts;
    const QString link = QStringLiteral("<a style=\"color:%1\" href=\"%2\">%3</a>");
    const QString linkColor = config->linkColor().name();
    if (!config->orderIssuesUrl().isEmpty()) {
        parts << link.arg(linkColor, config->orderIssuesUrl().toHtmlEscaped(), localized("Order issues"));
    }
    if (!config->technicalProblemsUrl().isEmpty()) {
        parts << link.arg(linkColor, config->technicalProblemsUrl().toHtmlEscaped(), localized("Technical problems"));
    }
    if (!config->productSupportUrl().isEmpty()) {
        parts << link.arg(linkColor, config->productSupportUrl().toHtmlEscaped(), localized("Product support"));
    }
    links_->setText(parts.join(QStringLiteral(" &nbsp;|&nbsp; ")));
    links_->setVisible(!parts.isEmpty());
}

QString RYFFeedbackDialog::statusText() const
{
    return showsResult() ? result_->text() : status_->text();
}

QString RYFFeedbackDialog::linksText() const
{
    return links_->text();
}

bool RYFFeedbackDialog::showsResult() const
{
    return pages_->currentIndex() == 1;
}

void RYFFeedbackDialog::submit()
{
    if (isSaving()) {
        return;
    }
    if (!RYFFeedbackStore::isValidEmail(email_->text())) {
        status_->setText(localized("Please enter a valid e-mail address."));
        email_->setFocus();
        return;
    }
    if (message_->toPlainText().trimmed().isEmpty()) {
        status_->setText(localized("Please enter your message."));
        message_->setFocus();
        return;
    }
    const RYFConfigManager* config = RYFConfigManager::shared();
    RYFFeedbackMessage feedback;
    feedback.email = email_->text().trimmed();
    feedback.message = message_->toPlainText();
    feedback.productID = config->productID();
    feedback.productVersion =
        Bundle::main().infoDictionary().value(QStringLiteral("CFBundleShortVersionString")).toString();
    feedback.attachLogs = attachLogs_->isChecked() && !config->logsPath().isEmpty();
    feedback.logsPath = config->logsPath();
    feedback.date = QDateTime::currentDateTime();
    const QString parent = Helper::appSuportWithBundleIdentifier();

    status_->setText(localized("Saving…"));
    progress_->show();
    submit_->setEnabled(false);
    email_->setEnabled(false);
    message_->setEnabled(false);
    attachLogs_->setEnabled(false);
    watcher_.setFuture(QtConcurrent::run([feedback, parent] { return RYFFeedbackStore::save(feedback, parent); }));
}

void RYFFeedbackDialog::saveFinished()
{
    const RYFFeedbackSaveResult result = watcher_.result();
    progress_->hide();
    if (!result.saved) {
        status_->setText(localized("Your feedback could not be saved: %1").arg(result.error));
        submit_->setEnabled(true);
        email_->setEnabled(true);
        message_->setEnabled(true);
        attachLogs_->setEnabled(!RYFConfigManager::shared()->logsPath().isEmpty());
        return;
    }
    savedFolder_ = result.folder;
    QString text = localized("Thank you for your feedback!") + QLatin1Char('\n')
                   + localized("It was saved in the folder:") + QLatin1Char('\n') + result.folder;
    if (result.failedLogFiles > 0) {
        text += QLatin1Char('\n') + localized("%1 log files could not be copied.").arg(result.failedLogFiles);
    }
    result_->setText(text);
    pages_->setCurrentIndex(1);
    done_->setDefault(true);
}

void RYFFeedback::show(QWidget* parentWindow)
{
    QPointer<RYFFeedbackDialog>& dialog = openDialog();
    if (!dialog) {
        QWidget* parent = parentWindow ? parentWindow->window() : nullptr;
        dialog = new RYFFeedbackDialog(parent);
        if (parent) {
            dialog->setWindowModality(Qt::WindowModal);
        }
    } else if (!dialog->isSaving() && !dialog->showsResult()) {
        dialog->applyTheme();
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

RYFFeedbackDialog* RYFFeedback::currentDialog()
{
    return openDialog();
}
