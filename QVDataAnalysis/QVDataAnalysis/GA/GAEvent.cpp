#include "GAEvent.h"

namespace {
QString orEmpty(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("") : text;
}
}  // namespace

GAEvent::GAEvent()
    : coreFuncName_(QStringLiteral("null")), coreFuncStep_(-1), eventType_(QStringLiteral("event"))
{
}

GAEvent GAEvent::eventWithCategory(const QString& category, const QString& action, const QVariant& labels)
{
    return eventWithEventType(QStringLiteral("event"), QStringLiteral("null"), -1, category, action, labels);
}

GAEvent GAEvent::eventWithEventType(const QString& eventType, const QString& coreFuncName, qint64 coreFuncStep,
                                    const QString& category, const QString& action, const QVariant& labels)
{
    GAEvent event;
    event.category_ = orEmpty(category);
    event.action_ = orEmpty(action);
    event.labels_ = labels;
    event.coreFuncName_ = coreFuncName;
    event.coreFuncStep_ = coreFuncStep;
    event.eventType_ = eventType;
    return event;
}

GAEvent GAEvent::blank()
{
    return GAEvent(Blank{});
}

std::optional<GAEvent> GAEvent::fromArchive(const QByteArray& data)
{
    GAEvent event = blank();
    if (!event.unarchive(data)) {
        return std::nullopt;
    }
    return event;
}

void GAEvent::codeDataWithCoder(QVDACoder& coder, bool isDecoding)
{
    if (isDecoding) {
        coder.decodeString(QStringLiteral("_coreFuncName"), coreFuncName_);
        coreFuncStep_ = coder.decodeInt64(QStringLiteral("_coreFuncStep"));
        coder.decodeString(QStringLiteral("_eventType"), eventType_);
        coder.decodeString(QStringLiteral("_category"), category_);
        coder.decodeString(QStringLiteral("_action"), action_);
        labels_ = coder.decodeObject(QStringLiteral("_labels"));
        return;
    }
    coder.encodeString(QStringLiteral("_coreFuncName"), coreFuncName_);
    coder.encodeInt64(QStringLiteral("_coreFuncStep"), coreFuncStep_);
    coder.encodeString(QStringLiteral("_eventType"), eventType_);
    coder.encodeString(QStringLiteral("_category"), category_);
    coder.encodeString(QStringLiteral("_action"), action_);
    coder.encodeObject(QStringLiteral("_labels"), labels_);
}
