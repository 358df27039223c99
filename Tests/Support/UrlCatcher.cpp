#include "UrlCatcher.h"

#include "DesktopDatabase.h"

#include <QDesktopServices>

UrlCatcher::UrlCatcher(QString scheme)
    : scheme_(std::move(scheme))
{
    if (scheme_ == QLatin1String("file")) {
        database_ = std::make_unique<DesktopDatabase>();
        database_->addApplicationForEverything();
    }
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
