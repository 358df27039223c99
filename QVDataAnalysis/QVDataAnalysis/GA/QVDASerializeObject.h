#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QVariant>

#include "Foundation/PropertyList.h"

// One keyed archive: the class name of the root object and its fields by
// key. Stored as a binary property list whose root dictionary holds the
// class name under "$class" and every field under its own key ("_category").
class QVDACoder {
public:
    QVDACoder() = default;
    explicit QVDACoder(PlistDict fields) : fields_(std::move(fields)) {}

    void encodeBool(const QString& key, bool value) { fields_.insert(key, value); }
    void encodeInt64(const QString& key, qint64 value) { fields_.insert(key, value); }
    // An absent text (a null QString) or an invalid value is left out.
    void encodeObject(const QString& key, const QVariant& value);
    void encodeString(const QString& key, const QString& value);

    // A missing key, or a value of another kind, decodes as false or 0.
    bool decodeBool(const QString& key) const;
    qint64 decodeInt64(const QString& key) const;
    // Stores a text only when the archive holds a text under the key;
    // otherwise the field keeps what it had.
    void decodeString(const QString& key, QString& field) const;
    // Whatever object is stored, invalid when none.
    QVariant decodeObject(const QString& key) const { return fields_.value(key); }

    const PlistDict& fields() const { return fields_; }

private:
    PlistDict fields_;
};

// Base of the records that cross the local link. A subclass names itself and
// codes the fields it declares, in declaration order.
class QVDASerializeObject {
public:
    virtual ~QVDASerializeObject() = default;

    virtual QString className() const = 0;
    // isDecoding false writes the fields into the coder, true reads them back.
    virtual void codeDataWithCoder(QVDACoder& coder, bool isDecoding) = 0;

    // The archive of this object (never empty).
    QByteArray archivedData() const;
    // Reads `data` into this object when it is an archive whose root names
    // this object's class; false (and the object unchanged) otherwise.
    bool unarchive(const QByteArray& data);

    // The class name an archive names, empty when it is no archive at all.
    static QString archivedClassName(const QByteArray& data);

protected:
    QVDASerializeObject() = default;
    QVDASerializeObject(const QVDASerializeObject&) = default;
    QVDASerializeObject& operator=(const QVDASerializeObject&) = default;
};
