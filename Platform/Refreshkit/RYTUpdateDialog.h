#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QWidget;
class RYTConfigManager;

// The answer of a visible update check: with no server to ask, the check
// could not be made, so it cannot be told whether a newer version exists.
class RYTUpdateDialog : public QDialog {
    Q_OBJECT
public:
    RYTUpdateDialog(const QString& productName, const QString& version, QWidget* parent = nullptr);

    void applyTheme(const RYTConfigManager& config);

    QString headline() const;
    QString message() const;
    QPushButton* okButton() const { return okButton_; }

private:
    QWidget* titleBar_;
    QLabel* titleLabel_;
    QLabel* headline_;
    QLabel* message_;
    QPushButton* okButton_;
};
