#include "QVDAFrame.h"

#include <cstring>

namespace QVDAFrame {

QByteArray build(const QByteArray& payload, quint64 tag)
{
    if (payload.isEmpty()) {
        return {};
    }
    const quint64 length = static_cast<quint64>(payload.size()) + 8;
    QByteArray frame;
    frame.reserve(payload.size() + 16);
    frame.append(reinterpret_cast<const char*>(&length), 8);
    frame.append(reinterpret_cast<const char*>(&tag), 8);
    frame.append(payload);
    return frame;
}

void Reader::feed(const char* data, qsizetype size)
{
    if (failed_ || size <= 0) {
        return;
    }
    if (offset_ > 0 && offset_ == buffer_.size()) {
        buffer_.clear();
        offset_ = 0;
    }
    buffer_.append(data, size);
}

std::optional<Frame> Reader::next()
{
    if (failed_) {
        return std::nullopt;
    }
    const qsizetype available = buffer_.size() - offset_;
    if (available < 8) {
        return std::nullopt;
    }
    quint64 length = 0;
    std::memcpy(&length, buffer_.constData() + offset_, 8);
    // The length is checked before anything is sized from it.
    if (length < 8 || length > maxLength) {
        failed_ = true;
        badLength_ = length;
        buffer_.clear();
        offset_ = 0;
        return std::nullopt;
    }
    if (static_cast<quint64>(available - 8) < length) {
        return std::nullopt;
    }
    Frame frame;
    std::memcpy(&frame.tag, buffer_.constData() + offset_ + 8, 8);
    const qsizetype payloadSize = static_cast<qsizetype>(length - 8);
    frame.payload = buffer_.mid(offset_ + 16, payloadSize);
    offset_ += 8 + static_cast<qsizetype>(length);
    if (offset_ > 64 * 1024 && offset_ * 2 > buffer_.size()) {
        buffer_.remove(0, offset_);
        offset_ = 0;
    }
    return frame;
}

}  // namespace QVDAFrame
