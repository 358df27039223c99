// Feeds arbitrary bytes to the helper's side of the link as they would come
// off the socket: cut into pieces, taken apart into frames, every payload
// decoded as an event and as a configuration, and every decoded event turned
// into both reports. A crash, a sanitizer report or a data report that is
// not valid JSON is a finding.
#include "GAEvent.h"
#include "QVDAFrame.h"
#include "QVDAGASender.h"
#include "RYGALogManager.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void report(const GAEvent& event, RYGALogManager& config)
{
    (void)QVDAGASender::ga4Query(event, config);
    const QString text = QVDAGASender::dataReport(event, config);
    QJsonParseError error;
    QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        std::fprintf(stderr, "invalid data report: %s\n%s\n", qPrintable(error.errorString()), qPrintable(text));
        std::abort();
    }
}

void decode(const QByteArray& payload, RYGALogManager& config)
{
    std::optional<RYGALogManager> decoded = RYGALogManager::fromArchive(payload);
    if (decoded) {
        report(GAEvent::eventWithCategory(QStringLiteral("CrashRate"), QStringLiteral("Start"), QStringLiteral("null")),
               *decoded);
    }
    if (const std::optional<GAEvent> event = GAEvent::fromArchive(payload)) {
        report(*event, decoded ? *decoded : config);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    // The first byte chooses how the stream arrives: whole, or in pieces.
    const size_t piece = data[0] == 0 ? size : data[0];
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const size_t length = size - 1;

    RYGALogManager config;
    QVDAFrame::Reader reader;
    for (size_t at = 0; at < length && !reader.failed(); at += piece) {
        reader.feed(bytes + at, static_cast<qsizetype>(std::min(piece, length - at)));
        while (const std::optional<QVDAFrame::Frame> frame = reader.next()) {
            decode(frame->payload, config);
        }
    }
    // The bytes as one payload too, so the decoders see inputs that need no framing.
    decode(QByteArray::fromRawData(bytes, static_cast<qsizetype>(length)), config);
    return 0;
}
