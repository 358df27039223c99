#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class DesktopDatabase;

// Takes the addresses of one scheme that the program hands the desktop to
// open, instead of the desktop, for as long as it lives. For files it also
// stands in for the desktop's database: an application there opens every
// kind of file and folder, whatever the machine has installed (a test of
// what no application opens makes its own DesktopDatabase after this).
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    explicit UrlCatcher(QString scheme = QStringLiteral("file"));
    ~UrlCatcher() override;

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url);

private:
    QString scheme_;
    std::unique_ptr<DesktopDatabase> database_;
};
