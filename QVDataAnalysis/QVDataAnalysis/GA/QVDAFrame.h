#pragma once

#include <cstdint>
#include <optional>

#include <QByteArray>

// Frames of the local link: an unsigned 64-bit length (8 + the payload's
// length), an unsigned 64-bit tag, then the payload; both integers in the
// machine's byte order. Tag 1 carries the configuration, tag 2 one event.
namespace QVDAFrame {

inline constexpr quint64 tagConfiguration = 1;
inline constexpr quint64 tagEvent = 2;
// Largest length field accepted: a frame claiming more closes the link.
inline constexpr quint64 maxLength = 4ULL * 1024 * 1024;

// The frame of `payload` with `tag`; empty for an empty payload (no frame).
QByteArray build(const QByteArray& payload, quint64 tag);

struct Frame {
    quint64 tag = 0;
    QByteArray payload;
};

// Takes frames apart from a byte stream that arrives in pieces of any size.
class Reader {
public:
    // Appends received bytes.
    void feed(const char* data, qsizetype size);
    void feed(const QByteArray& data) { feed(data.constData(), data.size()); }
    // The next complete frame, nothing while one is incomplete or after a
    // bad length field (then failed() is true and the link must be closed).
    std::optional<Frame> next();
    bool failed() const { return failed_; }
    // The offending length field once failed() is true.
    quint64 badLength() const { return badLength_; }

private:
    QByteArray buffer_;
    qsizetype offset_ = 0;
    bool failed_ = false;
    quint64 badLength_ = 0;
};

}  // namespace QVDAFrame
