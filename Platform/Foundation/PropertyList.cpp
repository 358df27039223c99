#include "PropertyList.h"

#include "FileManager.h"
#include "PropertyListGuard.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

PlistDict::PlistDict(std::initializer_list<Item> items)
{
    for (const auto& item : items) {
        insert(item.first, item.second);
    }
}

void PlistDict::insert(const QString& key, const QVariant& value)
{
    for (auto& item : items_) {
        if (item.first == key) {
            item.second = value;
            return;
        }
    }
    items_.append({key, value});
}

QVariant PlistDict::value(const QString& key, const QVariant& fallback) const
{
    for (const auto& item : items_) {
        if (item.first == key) {
            return item.second;
        }
    }
    return fallback;
}

bool PlistDict::contains(const QString& key) const
{
    for (const auto& item : items_) {
        if (item.first == key) {
            return true;
        }
    }
    return false;
}

bool PlistDict::remove(const QString& key)
{
    for (qsizetype i = 0; i < items_.size(); ++i) {
        if (items_[i].first == key) {
            items_.removeAt(i);
            return true;
        }
    }
    return false;
}

QStringList PlistDict::keys() const
{
    QStringList result;
    for (const auto& item : items_) {
        result << item.first;
    }
    return result;
}

QVariantMap PlistDict::toMap() const
{
    QVariantMap map;
    for (const auto& item : items_) {
        map.insert(item.first, item.second);
    }
    return map;
}

PlistDict PlistDict::fromMap(const QVariantMap& map)
{
    PlistDict dict;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        dict.insert(it.key(), it.value());
    }
    return dict;
}

namespace {

// Seconds between 1970-01-01 and 2001-01-01, the epoch of property-list dates.
constexpr qint64 kAppleEpochOffset = 978307200;

struct PlistDeleter {
    void operator()(plist_t node) const
    {
        if (node) {
            plist_free(node);
        }
    }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// `depth` counts the containers above a node; a container at depth N is
// nested N + 1 levels deep. Reading and writing share the guard's limit, so
// whatever is written reads back.
bool tooDeepForContainer(int depth)
{
    return depth >= PropertyListGuard::maxNesting;
}

bool holdsNul(const QString& text)
{
    return text.contains(QChar(u'\0'));
}

std::optional<QVariant> toVariant(plist_t node, int depth)
{
    if (!node) {
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(b != 0);
    }
    case PLIST_UINT: {
        // libplist 2.2 keeps every integer as 64 bits without a public sign,
        // so integers read back as signed 64-bit values.
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return QVariant(static_cast<qint64>(v));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return QVariant(d);
    }
    case PLIST_STRING: {
        // Read with its length: a text holding U+0000 is refused, never cut.
        uint64_t length = 0;
        const char* s = plist_get_string_ptr(node, &length);
        if (!s || length > static_cast<uint64_t>(std::numeric_limits<qsizetype>::max())
            || std::memchr(s, 0, static_cast<size_t>(length))) {
            return std::nullopt;
        }
        return QVariant(QString::fromUtf8(s, static_cast<qsizetype>(length)));
    }
    case PLIST_DATA: {
        char* d = nullptr;
        uint64_t len = 0;
        plist_get_data_val(node, &d, &len);
        QByteArray bytes(d ? d : "", d ? static_cast<qsizetype>(len) : 0);
        free(d);
        return QVariant(bytes);
    }
    case PLIST_DATE: {
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (static_cast<qint64>(sec) + kAppleEpochOffset) * 1000 + usec / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()));
    }
    case PLIST_ARRAY: {
        if (tooDeepForContainer(depth)) {
            return std::nullopt;
        }
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        for (uint32_t i = 0; i < n; ++i) {
            auto item = toVariant(plist_array_get_item(node, i), depth + 1);
            if (!item) {
                return std::nullopt;
            }
            list.append(*item);
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        if (tooDeepForContainer(depth)) {
            return std::nullopt;
        }
        PlistDict dict;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        if (!it) {
            return QVariant::fromValue(dict);
        }
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!value) {
                free(key);
                break;
            }
            auto v = toVariant(value, depth + 1);
            QString k = key ? QString::fromUtf8(key) : QString();
            free(key);
            if (!v) {
                free(it);
                return std::nullopt;
            }
            dict.insert(k, *v);
        }
        free(it);
        return QVariant::fromValue(dict);
    }
    default:
        return std::nullopt;
    }
}

plist_t fromVariant(const QVariant& value, int depth);

plist_t dictFrom(const QList<QPair<QString, QVariant>>& items, int depth)
{
    if (tooDeepForContainer(depth)) {
        return nullptr;
    }
    PlistPtr dict(plist_new_dict());
    for (const auto& item : items) {
        if (holdsNul(item.first)) {
            return nullptr;  // libplist would cut the key there
        }
        plist_t child = fromVariant(item.second, depth + 1);
        if (!child) {
            return nullptr;
        }
        plist_dict_set_item(dict.get(), item.first.toUtf8().constData(), child);
    }
    return dict.release();
}

plist_t fromVariant(const QVariant& value, int depth)
{
    if (!value.isValid()) {
        return nullptr;
    }
    const int type = value.metaType().id();
    switch (type) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar: {
        const quint64 v = value.toULongLong();
        if (v > static_cast<quint64>(std::numeric_limits<qint64>::max())) {
            return nullptr;  // would read back as a negative number
        }
        return plist_new_uint(v);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        return plist_new_real(d);
    }
    case QMetaType::QString: {
        const QString text = value.toString();
        if (holdsNul(text)) {
            return nullptr;  // libplist would cut the text there
        }
        return plist_new_string(text.toUtf8().constData());
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = value.toDateTime().toMSecsSinceEpoch();
        const qint64 secs = static_cast<qint64>(std::floor(static_cast<double>(ms) / 1000.0));
        const qint64 rest = ms - secs * 1000;
        const qint64 appleSecs = secs - kAppleEpochOffset;
        if (appleSecs < std::numeric_limits<int32_t>::min() || appleSecs > std::numeric_limits<int32_t>::max()) {
            return nullptr;
        }
        return plist_new_date(static_cast<int32_t>(appleSecs), static_cast<int32_t>(rest * 1000));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        if (tooDeepForContainer(depth)) {
            return nullptr;
        }
        PlistPtr array(plist_new_array());
        for (const QVariant& item : value.toList()) {
            plist_t child = fromVariant(item, depth + 1);
            if (!child) {
                return nullptr;
            }
            plist_array_append_item(array.get(), child);
        }
        return array.release();
    }
    case QMetaType::QVariantMap:
        return dictFrom(PlistDict::fromMap(value.toMap()).items(), depth);
    case QMetaType::QVariantHash: {
        QVariantMap map;
        const QVariantHash hash = value.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
            map.insert(it.key(), it.value());
        }
        return dictFrom(PlistDict::fromMap(map).items(), depth);
    }
    default:
        if (value.canConvert<PlistDict>() && type == qMetaTypeId<PlistDict>()) {
            return dictFrom(value.value<PlistDict>().items(), depth);
        }
        return nullptr;
    }
}

bool looksLikeXml(const QByteArray& data)
{
    const QByteArray head = data.left(256).trimmed();
    return head.startsWith("<?xml") || head.startsWith("<plist") || head.startsWith("<!DOCTYPE");
}

}  // namespace

namespace PropertyList {

std::optional<QVariant> parse(const QByteArray& data)
{
    if (data.isEmpty() || data.size() > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    plist_t root = nullptr;
    const auto length = static_cast<uint32_t>(data.size());
    // libplist is handed only what the guard has walked first.
    if (data.startsWith("bplist00")) {
        if (!PropertyListGuard::checkBinary(data)) {
            return std::nullopt;
        }
        plist_from_bin(data.constData(), length, &root);
    } else if (looksLikeXml(data)) {
        if (!PropertyListGuard::checkXml(data)) {
            return std::nullopt;
        }
        plist_from_xml(data.constData(), length, &root);
    } else {
        return std::nullopt;
    }
    PlistPtr guard(root);
    if (!root) {
        return std::nullopt;
    }
    return toVariant(root, 0);
}

std::optional<QByteArray> serialize(const QVariant& value, Format format)
{
    PlistPtr root(fromVariant(value, 0));
    if (!root) {
        return std::nullopt;
    }
    char* out = nullptr;
    uint32_t length = 0;
    if (format == Format::xml) {
        plist_to_xml(root.get(), &out, &length);
    } else {
        plist_to_bin(root.get(), &out, &length);
    }
    if (!out) {
        return std::nullopt;
    }
    QByteArray bytes(out, static_cast<qsizetype>(length));
    if (format == Format::xml) {
        plist_to_xml_free(out);
    } else {
        plist_to_bin_free(out);
    }
    return bytes;
}

std::optional<QVariant> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // Settings files are small; refuse anything absurd rather than load it.
    constexpr qint64 kMaxSize = 64LL * 1024 * 1024;
    if (file.size() > kMaxSize) {
        return std::nullopt;
    }
    return parse(file.readAll());
}

bool writeFile(const QString& path, const QVariant& value, Format format)
{
    const auto bytes = serialize(value, format);
    if (!bytes) {
        return false;
    }
    // Whole or not at all: a full disk must not leave an empty settings file.
    return FileManager::default_().writeFileAtomically(QFile::encodeName(path), *bytes);
}

}  // namespace PropertyList
