#include "Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

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

namespace {

// Most texts are their own English key, but a few keys are names rather
// than sentences ("Remove_Complete"); their English text comes from this
// table when no translation gives one.
const QHash<QString, QString>& keyTexts()
{
    static const QHash<QString, QString> table = [] {
        initBundleResources();
        QHash<QString, QString> texts;
        QFile file(QStringLiteral(":/Twinsweep/Localization/LocalizedKeys.json"));
        if (file.open(QIODevice::ReadOnly)) {
            const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
            for (auto it = root.begin(); it != root.end(); ++it) {
                texts.insert(it.key(), it.value().toString());
            }
        }
        return texts;
    }();
    return table;
}

QString translated(const QString& key, const char* utf8)
{
    const QString text = QCoreApplication::translate("Localizable", utf8);
    if (text == key) {
        return keyTexts().value(key, text);
    }
    return text;
}

}  // namespace

QString localized(const char* text)
{
    return translated(QString::fromUtf8(text), text);
}

QString localized(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return translated(text, utf8.constData());
}
