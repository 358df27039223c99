#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

// Takes the addresses of one scheme that the program hands the desktop to
// open, instead of the desktop, for as long as it lives.
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
};
