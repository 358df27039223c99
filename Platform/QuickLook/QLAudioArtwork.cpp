#include "QLAudioArtwork.h"

#include "QLFile.h"

#include <QFile>

#include <optional>

namespace QuickLook {

namespace {

// Tags larger than this are not read.
constexpr qint64 kMaxTagBytes = 16 * 1024 * 1024;

// A picture found in a tag: its bytes and whether it is the front cover.
struct Picture {
    QByteArray data;
    bool front = false;
};

// Keeps the front cover, else the first picture.
struct PicturePick {
    std::optional<Picture> best;
    void offer(Picture picture)
    {
        if (picture.data.isEmpty()) {
            return;
        }
        if (!best || (picture.front && !best->front)) {
            best = std::move(picture);
        }
    }
    bool done() const { return best && best->front; }
};

uint32_t be32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (uint32_t(u[0]) << 24) | (uint32_t(u[1]) << 16) | (uint32_t(u[2]) << 8) | uint32_t(u[3]);
}

uint32_t be24(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (uint32_t(u[0]) << 16) | (uint32_t(u[1]) << 8) | uint32_t(u[2]);
}

uint32_t le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (uint32_t(u[3]) << 24) | (uint32_t(u[2]) << 16) | (uint32_t(u[1]) << 8) | uint32_t(u[0]);
}

uint64_t be64(const char* p)
{
    return (uint64_t(be32(p)) << 32) | be32(p + 4);
}

uint32_t syncsafe(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (uint32_t(u[0] & 0x7f) << 21) | (uint32_t(u[1] & 0x7f) << 14) | (uint32_t(u[2] & 0x7f) << 7) |
           uint32_t(u[3] & 0x7f);
}

QByteArray removeUnsynchronisation(const QByteArray& data)
{
    QByteArray out;
    out.reserve(data.size());
    for (qsizetype i = 0; i < data.size(); ++i) {
        out.append(data[i]);
        if (uchar(data[i]) == 0xff && i + 1 < data.size() && data[i + 1] == '\0') {
            ++i;
        }
    }
    return out;
}

// Skips a text in the given ID3 encoding and its terminator; -1 when it runs
// past the end.
qsizetype skipEncodedText(const QByteArray& body, qsizetype at, char encoding)
{
    const bool wide = encoding == 1 || encoding == 2;
    if (!wide) {
        const qsizetype end = body.indexOf('\0', at);
        return end < 0 ? -1 : end + 1;
    }
    for (qsizetype i = at; i + 1 < body.size(); i += 2) {
        if (body[i] == '\0' && body[i + 1] == '\0') {
            return i + 2;
        }
    }
    return -1;
}

// APIC (2.3/2.4): encoding, MIME type, picture type, description, data.
// PIC (2.2): encoding, three-letter format, picture type, description, data.
std::optional<Picture> id3Picture(const QByteArray& body, bool v22)
{
    if (body.size() < 4) {
        return std::nullopt;
    }
    const char encoding = body[0];
    qsizetype at = 1;
    if (v22) {
        at += 3;
    } else {
        const qsizetype end = body.indexOf('\0', at);
        if (end < 0) {
            return std::nullopt;
        }
        at = end + 1;
    }
    if (at >= body.size()) {
        return std::nullopt;
    }
    const bool front = uchar(body[at]) == 3;
    at = skipEncodedText(body, at + 1, encoding);
    if (at < 0 || at >= body.size()) {
        return std::nullopt;
    }
    return Picture{body.mid(at), front};
}

void readId3(const QByteArray& data, PicturePick& pick)
{
    if (data.size() < 10 || !data.startsWith("ID3")) {
        return;
    }
    const int major = uchar(data[3]);
    if (major < 2 || major > 4) {
        return;
    }
    const uchar flags = uchar(data[5]);
    const qsizetype size = syncsafe(data.constData() + 6);
    QByteArray tag = data.mid(10, size);
    if (major < 4 && (flags & 0x80)) {
        tag = removeUnsynchronisation(tag);
    }
    qsizetype at = 0;
    if (major >= 3 && (flags & 0x40) && tag.size() >= 4) {
        const qsizetype extended = major == 3 ? qsizetype(be32(tag.constData())) + 4 : syncsafe(tag.constData());
        at = extended;
    }
    const bool v22 = major == 2;
    const int headerSize = v22 ? 6 : 10;
    while (at >= 0 && at + headerSize <= tag.size() && !pick.done()) {
        const char* frame = tag.constData() + at;
        if (frame[0] == '\0') {
            break;  // padding
        }
        qsizetype frameSize = 0;
        QByteArray id;
        uchar formatFlags = 0;
        if (v22) {
            id = QByteArray(frame, 3);
            frameSize = be24(frame + 3);
        } else {
            id = QByteArray(frame, 4);
            frameSize = major == 4 ? syncsafe(frame + 4) : be32(frame + 4);
            formatFlags = uchar(frame[9]);
        }
        const qsizetype bodyAt = at + headerSize;
        if (frameSize <= 0 || bodyAt + frameSize > tag.size()) {
            break;
        }
        if (id == (v22 ? QByteArray("PIC") : QByteArray("APIC"))) {
            QByteArray body = tag.mid(bodyAt, frameSize);
            const bool compressedOrEncrypted = major == 3 ? (uchar(frame[9]) & 0xc0) : (formatFlags & 0x0c);
            if (!compressedOrEncrypted) {
                if (major == 4 && (formatFlags & 0x01)) {
                    body = body.mid(4);  // data length indicator
                }
                if (major == 4 && (formatFlags & 0x02)) {
                    body = removeUnsynchronisation(body);
                }
                if (auto picture = id3Picture(body, v22)) {
                    pick.offer(std::move(*picture));
                }
            }
        }
        at = bodyAt + frameSize;
    }
}

// A FLAC picture block (also base64 inside Ogg comments).
std::optional<Picture> flacPicture(const QByteArray& block)
{
    qsizetype at = 0;
    auto take32 = [&](uint32_t& value) {
        if (at + 4 > block.size()) {
            return false;
        }
        value = be32(block.constData() + at);
        at += 4;
        return true;
    };
    uint32_t type = 0, length = 0, unused = 0;
    if (!take32(type) || !take32(length) || qsizetype(length) > block.size() - at) {
        return std::nullopt;
    }
    at += length;  // MIME type
    if (!take32(length) || qsizetype(length) > block.size() - at) {
        return std::nullopt;
    }
    at += length;  // description
    for (int i = 0; i < 4; ++i) {
        if (!take32(unused)) {
            return std::nullopt;
        }
    }
    if (!take32(length) || qsizetype(length) > block.size() - at) {
        return std::nullopt;
    }
    return Picture{block.mid(at, length), type == 3};
}

void readFlac(const QByteArray& data, PicturePick& pick)
{
    if (!data.startsWith("fLaC")) {
        return;
    }
    qsizetype at = 4;
    while (at + 4 <= data.size() && !pick.done()) {
        const uchar header = uchar(data[at]);
        const qsizetype length = be24(data.constData() + at + 1);
        at += 4;
        if (length > data.size() - at) {
            break;
        }
        if ((header & 0x7f) == 6) {
            if (auto picture = flacPicture(data.mid(at, length))) {
                pick.offer(std::move(*picture));
            }
        }
        at += length;
        if (header & 0x80) {
            break;  // last block
        }
    }
}

// Boxes of an MP4 file: walks moov/udta/meta/ilst/covr/data.
void readMp4Boxes(const QByteArray& data, qsizetype begin, qsizetype end, int depth, bool inCovr, PicturePick& pick)
{
    if (depth > 8) {
        return;
    }
    qsizetype at = begin;
    while (at + 8 <= end && !pick.done()) {
        uint64_t size = be32(data.constData() + at);
        const QByteArray type(data.constData() + at + 4, 4);
        qsizetype header = 8;
        if (size == 1) {
            if (at + 16 > end) {
                return;
            }
            size = be64(data.constData() + at + 8);
            header = 16;
        } else if (size == 0) {
            size = uint64_t(end - at);
        }
        if (size < uint64_t(header) || size > uint64_t(end - at)) {
            return;
        }
        const qsizetype boxEnd = at + qsizetype(size);
        if (inCovr && type == "data") {
            // type indicator and locale, then the image
            if (boxEnd - (at + header) > 8) {
                pick.offer(Picture{data.mid(at + header + 8, boxEnd - (at + header) - 8), true});
            }
        } else if (type == "moov" || type == "udta" || type == "ilst") {
            readMp4Boxes(data, at + header, boxEnd, depth + 1, false, pick);
        } else if (type == "meta") {
            readMp4Boxes(data, at + header + 4, boxEnd, depth + 1, false, pick);  // a full box
        } else if (type == "covr") {
            readMp4Boxes(data, at + header, boxEnd, depth + 1, true, pick);
        }
        at = boxEnd;
    }
}

// The comment packet of an Ogg Vorbis or Opus stream.
QByteArray oggCommentPacket(const QByteArray& data)
{
    QByteArray packet;
    int packetIndex = 0;
    qsizetype at = 0;
    while (at + 27 <= data.size()) {
        if (!QByteArray::fromRawData(data.constData() + at, 4).startsWith("OggS")) {
            return {};
        }
        const int segments = uchar(data[at + 26]);
        const qsizetype tableAt = at + 27;
        if (tableAt + segments > data.size()) {
            return {};
        }
        qsizetype bodyAt = tableAt + segments;
        for (int i = 0; i < segments; ++i) {
            const int lace = uchar(data[tableAt + i]);
            if (bodyAt + lace > data.size()) {
                return {};
            }
            if (packetIndex == 1) {
                packet.append(data.constData() + bodyAt, lace);
                if (packet.size() > kMaxTagBytes) {
                    return {};
                }
            }
            bodyAt += lace;
            if (lace < 255) {
                if (packetIndex == 1) {
                    return packet;
                }
                ++packetIndex;
            }
        }
        at = bodyAt;
    }
    return {};
}

void readOgg(const QByteArray& data, PicturePick& pick)
{
    if (!data.startsWith("OggS")) {
        return;
    }
    const QByteArray packet = oggCommentPacket(data);
    qsizetype at = 0;
    if (packet.startsWith("\x03vorbis")) {
        at = 7;
    } else if (packet.startsWith("OpusTags")) {
        at = 8;
    } else {
        return;
    }
    if (at + 4 > packet.size()) {
        return;
    }
    const qsizetype vendor = le32(packet.constData() + at);
    at += 4;
    if (vendor > packet.size() - at) {
        return;
    }
    at += vendor;
    if (at + 4 > packet.size()) {
        return;
    }
    uint32_t count = le32(packet.constData() + at);
    at += 4;
    while (count-- > 0 && at + 4 <= packet.size() && !pick.done()) {
        const qsizetype length = le32(packet.constData() + at);
        at += 4;
        if (length > packet.size() - at) {
            return;
        }
        const QByteArray comment = packet.mid(at, length);
        at += length;
        const qsizetype equals = comment.indexOf('=');
        if (equals < 0) {
            continue;
        }
        const QByteArray key = comment.left(equals).toUpper();
        const QByteArray value = QByteArray::fromBase64(comment.mid(equals + 1));
        if (key == "METADATA_BLOCK_PICTURE") {
            if (auto picture = flacPicture(value)) {
                pick.offer(std::move(*picture));
            }
        } else if (key == "COVERART") {
            pick.offer(Picture{value, false});
        }
    }
}

QImage decode(const PicturePick& pick)
{
    if (!pick.best) {
        return {};
    }
    QImage image;
    image.loadFromData(pick.best->data);
    return image;
}

}  // namespace

QImage audioArtworkFromData(const QByteArray& data)
{
    PicturePick pick;
    readId3(data, pick);
    readFlac(data, pick);
    readOgg(data, pick);
    if (data.size() >= 8 && QByteArray::fromRawData(data.constData() + 4, 4) == "ftyp") {
        readMp4Boxes(data, 0, data.size(), 0, false, pick);
    }
    return decode(pick);
}

QImage audioArtwork(const QByteArray& path)
{
    QFile file;
    if (!openRegularFile(path, file)) {
        return {};
    }
    const QByteArray head = file.peek(10);
    qint64 wanted = 1024 * 1024;
    if (head.startsWith("ID3") && head.size() == 10) {
        wanted = qint64(syncsafe(head.constData() + 6)) + 10;
    } else if (head.size() >= 8 && head.mid(4, 4) == "ftyp") {
        // The cover lies in the "moov" box, which may sit after the media
        // data; walk the top-level boxes and read only that one.
        qint64 at = 0;
        const qint64 size = file.size();
        while (at + 8 <= size) {
            if (!file.seek(at)) {
                return {};
            }
            const QByteArray box = file.read(16);
            if (box.size() < 8) {
                return {};
            }
            uint64_t boxSize = be32(box.constData());
            if (boxSize == 1 && box.size() == 16) {
                boxSize = be64(box.constData() + 8);
            } else if (boxSize == 0) {
                boxSize = uint64_t(size - at);
            }
            if (boxSize < 8 || boxSize > uint64_t(size - at)) {
                return {};
            }
            if (box.mid(4, 4) == "moov") {
                if (boxSize > uint64_t(kMaxTagBytes) || !file.seek(at)) {
                    return {};
                }
                // Handed over as a file of its own: a moov box and nothing else.
                QByteArray moov = file.read(qint64(boxSize));
                PicturePick pick;
                readMp4Boxes(moov, 0, moov.size(), 0, false, pick);
                return decode(pick);
            }
            at += qint64(boxSize);
        }
        return {};
    }
    if (head.startsWith("fLaC")) {
        // Metadata blocks one by one; only picture blocks are read whole.
        PicturePick pick;
        qint64 at = 4;
        while (!pick.done()) {
            if (!file.seek(at)) {
                break;
            }
            const QByteArray header = file.read(4);
            if (header.size() < 4) {
                break;
            }
            const qint64 length = be24(header.constData() + 1);
            if ((uchar(header[0]) & 0x7f) == 6 && length <= kMaxTagBytes) {
                if (auto picture = flacPicture(file.read(length))) {
                    pick.offer(std::move(*picture));
                }
            }
            if (uchar(header[0]) & 0x80) {
                break;
            }
            at += 4 + length;
        }
        return decode(pick);
    }
    if (head.startsWith("OggS")) {
        wanted = 4 * 1024 * 1024;  // a comment packet with a large cover spans many pages
    }
    wanted = qMin(wanted, kMaxTagBytes);
    return audioArtworkFromData(file.read(wanted));
}

}  // namespace QuickLook
