#include "Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

static void initBundleResources()
{
    Q_INIT_RESOURCE(FoundationInfo);
}

Bundle::Bundle()
{
    initBundleResources();
    const auto info = PropertyList::readFile(QStringLiteral(":/Twinsweep/Info.plist"));
    if (info && info->metaType() == QMetaType::fromType<PlistDict>()) {
        info_ = info->value<PlistDict>();
    }
}

Bundle& Bundle::main()
{
    static Bundle bundle;
    return bundle;
}

QString Bundle::bundleIdentifier() const
{
    return info_.value(QStringLiteral("CFBundleIdentifier")).toString();
}

QString Bundle::resourcePath() const
{
    if (!resourceOverride_.isEmpty()) {
        return resourceOverride_;
    }
    const QString fromEnv = qEnvironmentVariable("TWINSWEEP_RESOURCE_DIR");
    if (!fromEnv.isEmpty()) {
        return QDir::cleanPath(fromEnv);
    }
    if (!QCoreApplication::instance()) {
        return {};
    }
    const QString candidate =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/twinsweep"));
    return QFileInfo(candidate).isDir() ? candidate : QString();
}

QString Bundle::pathForResource(const QString& name, const QString& extension) const
{
    const QString base = resourcePath();
    if (base.isEmpty()) {
        return {};
    }
    QString path = base + QLatin1Char('/') + name;
    if (!extension.isEmpty()) {
        path += QLatin1Char('.') + extension;
    }
    return QFileInfo::exists(path) ? path : QString();
}

QString localized(const char* text)
{
    return QCoreApplication::translate("Localizable", text);
}

QString localized(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return QCoreApplication::translate("Localizable", utf8.constData());
}
