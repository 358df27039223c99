#pragma once

#include <optional>

#include <QString>
#include <QVariant>

#include "QVDASerializeObject.h"

// One usage event as it crosses the local link. Labels are a list of texts
// (QStringList or QVariantList), a dictionary from text to text (PlistDict or
// QVariantMap) or one text. An absent text is a null QString.
class GAEvent : public QVDASerializeObject {
public:
    // Event type "event", core-function name "null", step -1, the rest absent.
    GAEvent();

    // Event type "event", core-function name "null", step -1; an empty or
    // absent category or action becomes "".
    static GAEvent eventWithCategory(const QString& category, const QString& action, const QVariant& labels);
    // As above, with event type, core-function name and step taken unchanged
    // (an absent name or type stays absent).
    static GAEvent eventWithEventType(const QString& eventType, const QString& coreFuncName, qint64 coreFuncStep,
                                      const QString& category, const QString& action, const QVariant& labels);

    // An event with every field zero or absent, as decoding starts from.
    static GAEvent blank();
    // The event an archive holds; nothing when the bytes are no GAEvent archive.
    static std::optional<GAEvent> fromArchive(const QByteArray& data);

    QString className() const override { return QStringLiteral("GAEvent"); }
    void codeDataWithCoder(QVDACoder& coder, bool isDecoding) override;

    const QString& coreFuncName() const { return coreFuncName_; }
    void setCoreFuncName(const QString& v) { coreFuncName_ = v; }
    qint64 coreFuncStep() const { return coreFuncStep_; }
    void setCoreFuncStep(qint64 v) { coreFuncStep_ = v; }
    const QString& eventType() const { return eventType_; }
    void setEventType(const QString& v) { eventType_ = v; }
    const QString& category() const { return category_; }
    void setCategory(const QString& v) { category_ = v; }
    const QString& action() const { return action_; }
    void setAction(const QString& v) { action_ = v; }
    const QVariant& labels() const { return labels_; }
    void setLabels(const QVariant& v) { labels_ = v; }

private:
    struct Blank {};
    explicit GAEvent(Blank) {}

    QString coreFuncName_;
    qint64 coreFuncStep_ = 0;
    QString eventType_;
    QString category_;
    QString action_;
    QVariant labels_;
};
