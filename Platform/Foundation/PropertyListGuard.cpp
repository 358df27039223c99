#include "PropertyListGuard.h"

#include <cstring>
#include <vector>

namespace PropertyListGuard {

namespace {

bool refuse(QString* reason, const char* text)
{
    if (reason) {
        *reason = QString::fromLatin1(text);
    }
    return false;
}

// The binary format: "bplist00", the objects, a table of their offsets, and
// a 32-byte trailer giving the widths of offsets and references, the number
// of objects, the root object and where the table starts. Integers are
// big-endian.
class BinaryWalker {
public:
    explicit BinaryWalker(const QByteArray& data)
        : bytes_(reinterpret_cast<const unsigned char*>(data.constData())), size_(static_cast<quint64>(data.size()))
    {
    }

    bool run(QString* reason);

private:
    enum Color : unsigned char { unseen, open, done };

    // One container being walked: its references still to visit, and what
    // its children unfold into so far.
    struct Frame {
        quint64 object;
        quint64 refs;       // offset of the first reference
        quint64 refCount;   // all references, keys included
        quint64 next = 0;
        quint32 objects = 1;
        quint32 bytes = 0;
        unsigned char height = 0;  // deepest child container
    };

    // What a visited object unfolds into.
    struct Unfolded {
        quint32 objects = 0;
        quint32 bytes = 0;
        unsigned char height = 0;  // nesting levels at and below the object
    };

    quint64 readUInt(quint64 at, unsigned width) const
    {
        quint64 value = 0;
        for (unsigned i = 0; i < width; ++i) {
            value = (value << 8) | bytes_[at + i];
        }
        return value;
    }

    bool offsetOf(quint64 object, quint64* offset) const
    {
        const quint64 at = tableOffset_ + object * offsetWidth_;
        *offset = readUInt(at, offsetWidth_);
        return *offset >= 8 && *offset < tableOffset_;
    }

    static quint32 saturatingAdd(quint32 a, quint32 b, quint32 cap)
    {
        return (a > cap || b > cap - a) ? cap + 1 : a + b;
    }

    // Reads the marker of `object`. Leaves are checked completely and get
    // their unfolded size; containers give where their references lie.
    bool inspect(quint64 object, bool* isContainer, Frame* frame, Unfolded* leaf, QString* reason) const;
    // The count of a marker's low nibble, or of the integer that follows
    // when the nibble is 0xF. `at` moves past the marker and the count.
    bool countOf(unsigned nibble, quint64* at, quint64* count) const;

    const unsigned char* bytes_;
    quint64 size_;
    unsigned offsetWidth_ = 0;
    unsigned refWidth_ = 0;
    quint64 objectCount_ = 0;
    quint64 tableOffset_ = 0;
};

bool BinaryWalker::countOf(unsigned nibble, quint64* at, quint64* count) const
{
    ++*at;  // the marker
    if (nibble != 0xF) {
        *count = nibble;
        return true;
    }
    if (*at >= tableOffset_) {
        return false;
    }
    const unsigned marker = bytes_[*at];
    if ((marker >> 4) != 0x1 || (marker & 0xF) > 3) {
        return false;
    }
    const unsigned width = 1u << (marker & 0xF);
    if (tableOffset_ - *at - 1 < width) {
        return false;
    }
    *count = readUInt(*at + 1, width);
    *at += 1 + width;
    return true;
}

bool BinaryWalker::inspect(quint64 object, bool* isContainer, Frame* frame, Unfolded* leaf, QString* reason) const
{
    quint64 at = 0;
    if (!offsetOf(object, &at)) {
        return refuse(reason, "an object offset lies outside the object area");
    }
    const unsigned marker = bytes_[at];
    const unsigned type = marker >> 4;
    const unsigned nibble = marker & 0xF;
    *isContainer = false;
    leaf->objects = 1;
    leaf->height = 0;
    leaf->bytes = 0;
    const auto fits = [&](quint64 from, quint64 length) { return from <= tableOffset_ && tableOffset_ - from >= length; };

    switch (type) {
    case 0x0:  // null, false, true, fill
        if (nibble != 0x0 && nibble != 0x8 && nibble != 0x9 && nibble != 0xF) {
            return refuse(reason, "an unknown simple object");
        }
        return true;
    case 0x1:  // integer of 1, 2, 4, 8 or 16 bytes
        if (nibble > 4 || !fits(at + 1, 1u << nibble)) {
            return refuse(reason, "a damaged integer");
        }
        return true;
    case 0x2:  // real of 4 or 8 bytes
        if ((nibble != 2 && nibble != 3) || !fits(at + 1, 1u << nibble)) {
            return refuse(reason, "a damaged real number");
        }
        return true;
    case 0x3:  // date
        if (nibble != 3 || !fits(at + 1, 8)) {
            return refuse(reason, "a damaged date");
        }
        return true;
    case 0x8:  // unique identifier of 1 to 16 bytes
        if (!fits(at + 1, nibble + 1)) {
            return refuse(reason, "a damaged identifier");
        }
        return true;
    case 0x4:    // data
    case 0x5:    // ASCII text
    case 0x6: {  // UTF-16 text, big-endian
        quint64 count = 0;
        if (!countOf(nibble, &at, &count)) {
            return refuse(reason, "a damaged length");
        }
        const quint64 unit = type == 0x6 ? 2 : 1;
        if (count > (tableOffset_ - std::min(at, tableOffset_)) / unit) {
            return refuse(reason, "an object runs past the object area");
        }
        const quint64 length = count * unit;
        if (type == 0x5 && std::memchr(bytes_ + at, 0, length)) {
            return refuse(reason, "a text holds U+0000");
        }
        if (type == 0x6) {
            for (quint64 i = 0; i < length; i += 2) {
                if (bytes_[at + i] == 0 && bytes_[at + i + 1] == 0) {
                    return refuse(reason, "a text holds U+0000");
                }
            }
        }
        // UTF-16 may grow by half when it becomes UTF-8.
        const quint64 content = type == 0x6 ? length + length / 2 : length;
        leaf->bytes = content > maxContentBytes ? maxContentBytes + 1 : static_cast<quint32>(content);
        return true;
    }
    case 0xA:    // array
    case 0xD: {  // dictionary: its keys' references, then its values'
        quint64 count = 0;
        if (!countOf(nibble, &at, &count)) {
            return refuse(reason, "a damaged length");
        }
        const quint64 perEntry = type == 0xD ? 2 : 1;
        const quint64 room = (tableOffset_ - std::min(at, tableOffset_)) / refWidth_;
        if (count > room / perEntry) {
            return refuse(reason, "a container runs past the object area");
        }
        *isContainer = true;
        frame->object = object;
        frame->refs = at;
        frame->refCount = count * perEntry;
        if (type == 0xD) {
            for (quint64 i = 0; i < count; ++i) {
                const quint64 key = readUInt(at + i * refWidth_, refWidth_);
                quint64 keyAt = 0;
                if (key >= objectCount_ || !offsetOf(key, &keyAt)) {
                    return refuse(reason, "a reference points outside the object table");
                }
                const unsigned keyType = bytes_[keyAt] >> 4;
                if (keyType != 0x5 && keyType != 0x6) {
                    return refuse(reason, "a dictionary key is not a text");
                }
            }
        }
        return true;
    }
    default:
        return refuse(reason, "an object of an unknown kind");
    }
}

bool BinaryWalker::run(QString* reason)
{
    if (size_ < 8 + 1 + 32 || std::memcmp(bytes_, "bplist00", 8) != 0) {
        return refuse(reason, "not a binary property list");
    }
    const quint64 trailer = size_ - 32;
    offsetWidth_ = bytes_[trailer + 6];
    refWidth_ = bytes_[trailer + 7];
    objectCount_ = readUInt(trailer + 8, 8);
    const quint64 top = readUInt(trailer + 16, 8);
    tableOffset_ = readUInt(trailer + 24, 8);
    if (offsetWidth_ < 1 || offsetWidth_ > 8 || refWidth_ < 1 || refWidth_ > 8) {
        return refuse(reason, "a damaged trailer");
    }
    if (objectCount_ == 0 || top >= objectCount_ || tableOffset_ < 9 || tableOffset_ > trailer
        || objectCount_ > (trailer - tableOffset_) / offsetWidth_) {
        return refuse(reason, "the offset table lies outside the data");
    }
    if (objectCount_ > maxObjects) {
        return refuse(reason, "too many objects");
    }

    const auto count = static_cast<size_t>(objectCount_);
    std::vector<unsigned char> color(count, unseen);
    std::vector<Unfolded> unfolded(count);
    std::vector<Frame> stack;
    stack.reserve(maxNesting + 1);

    // Visits `object` as a child of the innermost frame (or as the root):
    // a leaf is settled at once, a container is pushed.
    const auto visit = [&](quint64 object) -> bool {
        if (color[object] == open) {
            return refuse(reason, "a reference loops back to a container that holds it");
        }
        if (color[object] == unseen) {
            bool isContainer = false;
            Frame frame{};
            Unfolded leaf;
            if (!inspect(object, &isContainer, &frame, &leaf, reason)) {
                return false;
            }
            if (isContainer) {
                if (stack.size() >= static_cast<size_t>(maxNesting)) {
                    return refuse(reason, "nested too deeply");
                }
                frame.objects = 1;
                frame.next = 0;
                color[object] = open;
                stack.push_back(frame);
                return true;
            }
            color[object] = done;
            unfolded[object] = leaf;
        }
        if (!stack.empty()) {
            Frame& parent = stack.back();
            const Unfolded& child = unfolded[object];
            parent.objects = saturatingAdd(parent.objects, child.objects, maxObjects);
            parent.bytes = saturatingAdd(parent.bytes, child.bytes, maxContentBytes);
            parent.height = std::max(parent.height, child.height);
            if (parent.objects > maxObjects || parent.bytes > maxContentBytes) {
                return refuse(reason, "unfolds into too much");
            }
        }
        return true;
    };

    if (!visit(top)) {
        return false;
    }
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next < frame.refCount) {
            const quint64 child = readUInt(frame.refs + frame.next * refWidth_, refWidth_);
            ++frame.next;
            if (child >= objectCount_) {
                return refuse(reason, "a reference points outside the object table");
            }
            if (!visit(child)) {
                return false;
            }
            continue;
        }
        Unfolded result;
        result.objects = frame.objects;
        result.bytes = frame.bytes;
        result.height = static_cast<unsigned char>(frame.height + 1);
        if (result.height > maxNesting) {
            return refuse(reason, "nested too deeply");
        }
        const quint64 object = frame.object;
        stack.pop_back();
        color[object] = done;
        unfolded[object] = result;
        if (!visit(object)) {  // adds the finished container to its parent
            return false;
        }
    }
    return true;
}

// Finds `token` at or after `from`; the data's size when it is missing.
qsizetype skipPast(const QByteArray& data, qsizetype from, const char* token)
{
    const qsizetype found = data.indexOf(token, from);
    return found < 0 ? data.size() : found + static_cast<qsizetype>(std::strlen(token));
}

}  // namespace

bool checkBinary(const QByteArray& data, QString* reason)
{
    return BinaryWalker(data).run(reason);
}

bool checkXml(const QByteArray& data, QString* reason)
{
    if (std::memchr(data.constData(), 0, static_cast<size_t>(data.size()))) {
        return refuse(reason, "the text holds a NUL byte");
    }
    // The containers' levels, the <plist> element and one value element.
    constexpr int maxElementDepth = maxNesting + 2;
    int depth = 0;
    quint64 elements = 0;
    qsizetype at = 0;
    const qsizetype size = data.size();
    while (at < size) {
        const qsizetype open = data.indexOf('<', at);
        if (open < 0) {
            break;
        }
        const char* rest = data.constData() + open;
        const qsizetype left = size - open;
        const auto startsWith = [&](const char* token) {
            const auto length = static_cast<qsizetype>(std::strlen(token));
            return left >= length && std::memcmp(rest, token, static_cast<size_t>(length)) == 0;
        };
        if (startsWith("<!--")) {
            at = skipPast(data, open + 4, "-->");
        } else if (startsWith("<![CDATA[")) {
            at = skipPast(data, open + 9, "]]>");
        } else if (startsWith("<?")) {
            at = skipPast(data, open + 2, "?>");
        } else if (startsWith("<!")) {
            // The document type, with an internal subset in brackets.
            const qsizetype close = data.indexOf('>', open);
            const qsizetype bracket = data.indexOf('[', open);
            at = (bracket >= 0 && (close < 0 || bracket < close)) ? skipPast(data, bracket, "]>")
                                                                   : (close < 0 ? size : close + 1);
        } else if (startsWith("</")) {
            --depth;
            at = skipPast(data, open, ">");
        } else {
            const qsizetype close = data.indexOf('>', open);
            at = close < 0 ? size : close + 1;
            if (++elements > maxObjects + 1) {
                return refuse(reason, "too many elements");
            }
            if (close >= 0 && data.at(close - 1) == '/') {
                continue;  // an empty element
            }
            if (++depth > maxElementDepth) {
                return refuse(reason, "nested too deeply");
            }
        }
    }
    return true;
}

}  // namespace PropertyListGuard
