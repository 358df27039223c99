#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

// A property-list dictionary that keeps its keys in insertion order.
class PlistDict {
public:
    using Item = QPair<QString, QVariant>;

    PlistDict() = default;
    PlistDict(std::initializer_list<Item> items);

    // Replaces the value of an existing key in place, else appends.
    void insert(const QString& key, const QVariant& value);
    QVariant value(const QString& key, const QVariant& fallback = {}) const;
    bool contains(const QString& key) const;
    bool remove(const QString& key);
    QStringList keys() const;
    int size() const { return static_cast<int>(items_.size()); }
    bool isEmpty() const { return items_.isEmpty(); }
    const QList<Item>& items() const { return items_; }

    QVariantMap toMap() const;
    static PlistDict fromMap(const QVariantMap& map);

    bool operator==(const PlistDict& other) const { return items_ == other.items_; }

private:
    QList<Item> items_;
};

Q_DECLARE_METATYPE(PlistDict)

// Property lists through libplist. Values read map to QVariant as: bool,
// qint64 (integers), double, QString, QDateTime (dates, UTC), QByteArray
// (data), QVariantList (arrays) and PlistDict (dictionaries, in file order).
// Writing also accepts the other integer types (unsigned ones up to the
// largest signed 64-bit value, since the format cannot tell them apart),
// QStringList, QVariantMap and QVariantHash.
namespace PropertyList {

enum class Format { xml, binary };

// Parses XML or binary data. Anything that is not a complete, valid property
// list gives nothing, and so does one the guard refuses (nested deeper than
// 64 levels, references that loop or leave the table, a text or key holding
// U+0000; see PropertyListGuard.h). Texts holding U+0000, and containers
// nested deeper than that, are refused when written as well.
std::optional<QVariant> parse(const QByteArray& data);
// Serialises a value; nothing when it holds a type a property list cannot.
std::optional<QByteArray> serialize(const QVariant& value, Format format);

// Reads a file; a missing, unreadable or damaged file gives nothing.
std::optional<QVariant> readFile(const QString& path);
// Writes atomically: a temporary file in the same folder is written, flushed
// and renamed over the target, so the target is either old or new, never partial.
bool writeFile(const QString& path, const QVariant& value, Format format = Format::xml);

}  // namespace PropertyList
