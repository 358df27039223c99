#include "UrlCatcher.h"

#include <QDesktopServices>

UrlCatcher::UrlCatcher(QString scheme)
    : scheme_(std::move(scheme))
{
    QDesktopServices::setUrlHandler(scheme_, this, "open");
}

UrlCatcher::~UrlCatcher()
{
    QDesktopServices::unsetUrlHandler(scheme_);
}

void UrlCatcher::open(const QUrl& url)
{
    opened.append(url);
}
