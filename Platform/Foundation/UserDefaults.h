#pragma once

#include <mutex>
#include <optional>
#include <type_traits>

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// The standard user defaults: a typed key-value store persisted as an XML
// property list at $XDG_CONFIG_HOME/<bundle id>.plist. Safe from any thread.
// A file that holds no property-list dictionary is set aside beside it (see
// PropertyListFile.h) and the store starts empty; a file that cannot be read
// at all is never replaced, so writes to it fail.
class UserDefaults {
public:
    static UserDefaults& standardUserDefaults();
    // Re-reads the standard defaults from the path the environment gives now
    // (tests point XDG_CONFIG_HOME elsewhere and call this).
    static void resetStandardUserDefaults();
    static QString standardPath();

    explicit UserDefaults(const QString& path);
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    QString path() const;

    QVariant objectForKey(const QString& key) const;
    void setObject(const QVariant& value, const QString& key);
    void removeObjectForKey(const QString& key);

    // The usual conversions: numbers and "YES"/"true"/"1" texts read as
    // Booleans, numeric texts as numbers, missing values as false/0/empty.
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;
    QVariantList arrayForKey(const QString& key) const;

    void setBool(bool value, const QString& key) { setObject(QVariant(value), key); }
    void setInteger(qint64 value, const QString& key) { setObject(QVariant(value), key); }
    void setDouble(double value, const QString& key) { setObject(QVariant(value), key); }

    // The typed read: the stored value when it has the wanted type, none when
    // it is absent or of another type. Booleans and integers never stand in
    // for each other; unsigned reads accept only integers that are not negative.
    template <typename T>
    std::optional<T> value(const QString& key) const;

    // Writes the store to disk now; false when the file could not be written.
    bool synchronize();

private:
    void load();
    bool persistLocked();

    mutable std::mutex mutex_;
    QString path_;
    QVariantMap values_;
};

namespace UserDefaultsDetail {
bool isBool(const QVariant& v);
bool isInteger(const QVariant& v);
}  // namespace UserDefaultsDetail

template <typename T>
std::optional<T> UserDefaults::value(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (!v.isValid()) {
        return std::nullopt;
    }
    if constexpr (std::is_same_v<T, bool>) {
        if (UserDefaultsDetail::isBool(v)) {
            return v.toBool();
        }
    } else if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T>) {
        if (UserDefaultsDetail::isInteger(v)) {
            const qint64 n = v.toLongLong();
            if (v.metaType().id() == QMetaType::ULongLong || n >= 0) {
                return static_cast<T>(v.toULongLong());
            }
        }
    } else if constexpr (std::is_integral_v<T>) {
        if (UserDefaultsDetail::isInteger(v)) {
            return static_cast<T>(v.toLongLong());
        }
    } else if constexpr (std::is_floating_point_v<T>) {
        if (v.metaType().id() == QMetaType::Double) {
            return static_cast<T>(v.toDouble());
        }
    } else if constexpr (std::is_same_v<T, QString>) {
        if (v.metaType().id() == QMetaType::QString) {
            return v.toString();
        }
    } else if constexpr (std::is_same_v<T, QDateTime>) {
        if (v.metaType().id() == QMetaType::QDateTime) {
            return v.toDateTime();
        }
    } else if constexpr (std::is_same_v<T, QVariantList>) {
        if (v.metaType().id() == QMetaType::QVariantList) {
            return v.toList();
        }
    } else {
        if (v.canConvert<T>() && v.metaType() == QMetaType::fromType<T>()) {
            return v.value<T>();
        }
    }
    return std::nullopt;
}
