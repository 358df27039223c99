#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Writes binary property lists object by object, so tests can make the
// damaged and hostile ones no writer produces: loops, references past the
// table, very deep nesting, texts holding U+0000.
class BinaryPlistBuilder {
public:
    // `refWidth` bytes per reference, and per offset.
    explicit BinaryPlistBuilder(int refWidth = 1) : refWidth_(refWidth) {}

    // Each returns the new object's number.
    int ascii(const QByteArray& text) { return add(marker(0x5, text.size()) + text); }
    int utf16(const QString& text)
    {
        QByteArray units;
        for (const QChar c : text) {
            units.append(static_cast<char>(c.unicode() >> 8)).append(static_cast<char>(c.unicode() & 0xFF));
        }
        return add(marker(0x6, text.size()) + units);
    }
    int integer(quint8 value) { return add(QByteArray("\x10", 1) + static_cast<char>(value)); }
    // Containers may name objects added later (or themselves).
    int array(const QList<int>& items) { return add(marker(0xA, items.size()) + refs(items)); }
    int dict(const QList<int>& keys, const QList<int>& values)
    {
        return add(marker(0xD, keys.size()) + refs(keys) + refs(values));
    }
    // Replaces an object's bytes (to close a loop once both ends exist).
    void setArray(int object, const QList<int>& items) { objects_[object] = marker(0xA, items.size()) + refs(items); }

    QByteArray build(int top) const
    {
        QByteArray data("bplist00");
        QByteArray table;
        for (const QByteArray& object : objects_) {
            table += bigEndian(static_cast<quint64>(data.size()), refWidth_);
            data += object;
        }
        const quint64 tableOffset = static_cast<quint64>(data.size());
        data += table;
        data += QByteArray(6, '\0');
        data += static_cast<char>(refWidth_);
        data += static_cast<char>(refWidth_);
        data += bigEndian(static_cast<quint64>(objects_.size()), 8);
        data += bigEndian(static_cast<quint64>(top), 8);
        data += bigEndian(tableOffset, 8);
        return data;
    }

    static QByteArray bigEndian(quint64 value, int width)
    {
        QByteArray out(width, '\0');
        for (int i = width - 1; i >= 0; --i) {
            out[i] = static_cast<char>(value & 0xFF);
            value >>= 8;
        }
        return out;
    }

private:
    int add(const QByteArray& object)
    {
        objects_.append(object);
        return static_cast<int>(objects_.size() - 1);
    }
    static QByteArray marker(int type, qsizetype count)
    {
        if (count < 15) {
            return QByteArray(1, static_cast<char>((type << 4) | static_cast<int>(count)));
        }
        return QByteArray(1, static_cast<char>((type << 4) | 0xF)) + QByteArray("\x13", 1)
               + bigEndian(static_cast<quint64>(count), 8);
    }
    QByteArray refs(const QList<int>& items) const
    {
        QByteArray out;
        for (int item : items) {
            out += bigEndian(static_cast<quint64>(item), refWidth_);
        }
        return out;
    }

    int refWidth_;
    QList<QByteArray> objects_;
};
