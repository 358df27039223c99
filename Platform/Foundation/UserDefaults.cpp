#include "UserDefaults.h"

#include "Bundle.h"
#include "PropertyList.h"
#include "PropertyListFile.h"

#include <QDir>
#include <QFileInfo>

namespace UserDefaultsDetail {

bool isBool(const QVariant& v)
{
    return v.metaType().id() == QMetaType::Bool;
}

bool isInteger(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

}  // namespace UserDefaultsDetail

namespace {

// Dictionaries read from disk come back ordered; keep the defaults' values
// in plain maps so callers see the usual Qt types.
QVariant plainValue(const QVariant& v)
{
    if (v.metaType() == QMetaType::fromType<PlistDict>()) {
        QVariantMap map;
        const PlistDict dict = v.value<PlistDict>();
        for (const auto& item : dict.items()) {
            map.insert(item.first, plainValue(item.second));
        }
        return map;
    }
    if (v.metaType().id() == QMetaType::QVariantList) {
        QVariantList list;
        for (const QVariant& item : v.toList()) {
            list.append(plainValue(item));
        }
        return list;
    }
    return v;
}

}  // namespace

QString UserDefaults::standardPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QLatin1Char('/') + Bundle::main().bundleIdentifier() + QStringLiteral(".plist");
}

UserDefaults& UserDefaults::standardUserDefaults()
{
    static UserDefaults defaults(standardPath());
    return defaults;
}

void UserDefaults::resetStandardUserDefaults()
{
    UserDefaults& defaults = standardUserDefaults();
    std::lock_guard lock(defaults.mutex_);
    defaults.path_ = standardPath();
    defaults.load();
}

UserDefaults::UserDefaults(const QString& path) : path_(path)
{
    std::lock_guard lock(mutex_);
    load();
}

QString UserDefaults::path() const
{
    std::lock_guard lock(mutex_);
    return path_;
}

void UserDefaults::load()
{
    values_.clear();
    // A damaged file is set aside before the first write replaces it, so
    // the removal mode and destination it held are not lost unseen.
    const PropertyList::OwnedFile file = PropertyList::readOwnedDictionary(path_);
    for (const auto& item : file.dictionary.items()) {
        values_.insert(item.first, plainValue(item.second));
    }
}

bool UserDefaults::persistLocked()
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    // A file that is there but could not be read keeps what it holds.
    return PropertyList::writeOwnedFile(path_, QVariant(values_));
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    std::lock_guard lock(mutex_);
    return values_.value(key);
}

void UserDefaults::setObject(const QVariant& value, const QString& key)
{
    std::lock_guard lock(mutex_);
    if (!value.isValid()) {
        values_.remove(key);
    } else {
        values_.insert(key, value);
    }
    persistLocked();
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    std::lock_guard lock(mutex_);
    if (values_.remove(key) > 0) {
        persistLocked();
    }
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (UserDefaultsDetail::isBool(v)) {
        return v.toBool();
    }
    if (UserDefaultsDetail::isInteger(v) || v.metaType().id() == QMetaType::Double) {
        return v.toDouble() != 0.0;
    }
    if (v.metaType().id() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        if (s == QLatin1String("yes") || s == QLatin1String("true")) {
            return true;
        }
        bool ok = false;
        const qint64 n = s.toLongLong(&ok);
        return ok && n != 0;
    }
    return false;
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (UserDefaultsDetail::isBool(v)) {
        return v.toBool() ? 1 : 0;
    }
    if (UserDefaultsDetail::isInteger(v)) {
        return v.toLongLong();
    }
    if (v.metaType().id() == QMetaType::Double) {
        return static_cast<qint64>(v.toDouble());
    }
    if (v.metaType().id() == QMetaType::QString) {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        if (ok) {
            return n;
        }
        const double d = v.toString().trimmed().toDouble(&ok);
        return ok ? static_cast<qint64>(d) : 0;
    }
    return 0;
}

double UserDefaults::doubleForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (UserDefaultsDetail::isBool(v)) {
        return v.toBool() ? 1.0 : 0.0;
    }
    if (UserDefaultsDetail::isInteger(v) || v.metaType().id() == QMetaType::Double) {
        return v.toDouble();
    }
    if (v.metaType().id() == QMetaType::QString) {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        return ok ? d : 0.0;
    }
    return 0.0;
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::QString) {
        return v.toString();
    }
    if (UserDefaultsDetail::isInteger(v) || v.metaType().id() == QMetaType::Double) {
        return v.toString();
    }
    return {};
}

QVariantList UserDefaults::arrayForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return v.metaType().id() == QMetaType::QVariantList ? v.toList() : QVariantList{};
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(mutex_);
    return persistLocked();
}
