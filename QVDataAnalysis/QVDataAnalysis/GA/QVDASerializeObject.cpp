#include "QVDASerializeObject.h"

namespace {

const QString classKey = QStringLiteral("$class");

std::optional<PlistDict> rootOf(const QByteArray& data)
{
    if (data.isEmpty()) {
        return std::nullopt;
    }
    const std::optional<QVariant> root = PropertyList::parse(data);
    if (!root || root->metaType() != QMetaType::fromType<PlistDict>()) {
        return std::nullopt;
    }
    PlistDict dict = root->value<PlistDict>();
    if (dict.value(classKey).metaType().id() != QMetaType::QString) {
        return std::nullopt;
    }
    return dict;
}

}  // namespace

void QVDACoder::encodeObject(const QString& key, const QVariant& value)
{
    if (!value.isValid() || value.isNull()) {
        return;
    }
    fields_.insert(key, value);
}

void QVDACoder::encodeString(const QString& key, const QString& value)
{
    if (value.isNull()) {
        return;
    }
    fields_.insert(key, value);
}

bool QVDACoder::decodeBool(const QString& key) const
{
    const QVariant v = fields_.value(key);
    switch (v.metaType().id()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::LongLong:
        return v.toLongLong() != 0;
    default:
        return false;
    }
}

qint64 QVDACoder::decodeInt64(const QString& key) const
{
    const QVariant v = fields_.value(key);
    switch (v.metaType().id()) {
    case QMetaType::LongLong:
        return v.toLongLong();
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    default:
        return 0;
    }
}

void QVDACoder::decodeString(const QString& key, QString& field) const
{
    const QVariant v = fields_.value(key);
    if (v.metaType().id() == QMetaType::QString) {
        field = v.toString();
    }
}

QByteArray QVDASerializeObject::archivedData() const
{
    QVDACoder coder;
    coder.encodeString(classKey, className());
    // Encoding does not change the object; the coder interface is shared with decoding.
    const_cast<QVDASerializeObject*>(this)->codeDataWithCoder(coder, false);
    return PropertyList::serialize(QVariant::fromValue(coder.fields()), PropertyList::Format::binary)
        .value_or(QByteArray());
}

bool QVDASerializeObject::unarchive(const QByteArray& data)
{
    const std::optional<PlistDict> root = rootOf(data);
    if (!root || root->value(classKey).toString() != className()) {
        return false;
    }
    QVDACoder coder(*root);
    codeDataWithCoder(coder, true);
    return true;
}

QString QVDASerializeObject::archivedClassName(const QByteArray& data)
{
    const std::optional<PlistDict> root = rootOf(data);
    return root ? root->value(classKey).toString() : QString();
}
