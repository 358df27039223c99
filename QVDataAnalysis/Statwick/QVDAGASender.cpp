#include "QVDAGASender.h"

#include "Helper/QVDAHelper.h"
#include "Helper/QVDALog.h"
#include "Logweave.h"

#include "Foundation/PropertyList.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QStringList>

#include <atomic>
#include <vector>

namespace {

std::atomic<LWExportObj*> s_webLog{nullptr};

const QString installMarker = QStringLiteral("\"entry\": \"install\"") + QString(20, QLatin1Char(' '));
const QString updateMarker = QStringLiteral("\"entry\": \"update\"") + QString(20, QLatin1Char(' '));
const QString iconMarker = QStringLiteral("\"entry\": \"icon\"") + QString(20, QLatin1Char(' '));

QString orEmpty(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("") : text;
}

// Percent-encodes everything but the unreserved characters of RFC 3986.
QString encodeValue(const QString& text)
{
    return QString::fromLatin1(text.toUtf8().toPercentEncoding());
}

QString jsonEscape(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\b':
            out += QStringLiteral("\\b");
            break;
        case '\f':
            out += QStringLiteral("\\f");
            break;
        default:
            if (c.unicode() < 0x20) {
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
    }
    return out;
}

bool isText(const QVariant& v)
{
    return v.metaType().id() == QMetaType::QString;
}

// The labels as a list (nothing when they are no list).
std::optional<QVariantList> labelList(const QVariant& labels)
{
    if (labels.metaType().id() == QMetaType::QVariantList) {
        return labels.toList();
    }
    if (labels.metaType().id() == QMetaType::QStringList) {
        QVariantList list;
        for (const QString& s : labels.toStringList()) {
            list.append(s);
        }
        return list;
    }
    return std::nullopt;
}

// The labels as (key, value) pairs in the dictionary's own order.
std::optional<QList<QPair<QString, QVariant>>> labelDictionary(const QVariant& labels)
{
    if (labels.metaType() == QMetaType::fromType<PlistDict>()) {
        return labels.value<PlistDict>().items();
    }
    if (labels.metaType().id() == QMetaType::QVariantMap) {
        QList<QPair<QString, QVariant>> items;
        const QVariantMap map = labels.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            items.append({it.key(), it.value()});
        }
        return items;
    }
    return std::nullopt;
}

// The start marker as a JSON member. The configuration carries it as a
// fragment ("entry": "install" and spaces); only its value is taken from it
// and escaped, so a configuration cannot break the report. A text of
// another shape is taken whole as the value.
QString startEntry(const QString& marker)
{
    const QString text = marker.trimmed();
    if (text.isEmpty()) {
        return {};
    }
    const QString prefix = QStringLiteral("\"entry\": \"");
    QString value = text;
    if (text.size() > prefix.size() && text.startsWith(prefix) && text.endsWith(QLatin1Char('"'))) {
        value = text.mid(prefix.size(), text.size() - prefix.size() - 1);
    }
    return prefix + jsonEscape(value) + QLatin1Char('"') + QString(20, QLatin1Char(' '));
}

QString stepText(qint64 step)
{
    return step == -1 ? QStringLiteral("null") : QString::number(step);
}

QString labelsDescription(const QVariant& labels)
{
    if (const auto list = labelList(labels)) {
        QStringList parts;
        for (const QVariant& v : *list) {
            parts << v.toString();
        }
        return QLatin1Char('(') + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    if (const auto dict = labelDictionary(labels)) {
        QStringList parts;
        for (const auto& item : *dict) {
            parts << item.first + QStringLiteral(" = ") + item.second.toString();
        }
        return QLatin1Char('{') + parts.join(QStringLiteral("; ")) + QLatin1Char('}');
    }
    return labels.toString();
}

}  // namespace

QVDAGASender::QVDAGASender()
{
    s_webLog.store(CreateExportObj());
    worker_ = std::thread([this] { work(); });
}

QVDAGASender::~QVDAGASender()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

LWExportObj* QVDAGASender::webLog()
{
    return s_webLog.load();
}

void QVDAGASender::setWebLog(LWExportObj* object)
{
    s_webLog.store(object);
}

void QVDAGASender::sendGAEvent(const GAEvent& event)
{
    const qsizetype size = approximateSize(event);
    qint64 droppedNow = 0;
    qint64 droppedTotal = 0;
    {
        std::lock_guard lock(mutex_);
        queue_.emplace_back(event, size);
        queuedBytes_ += size;
        // The newest event always stays, however large.
        while (queue_.size() > 1
               && (static_cast<int>(queue_.size()) > maxQueuedEvents || queuedBytes_ > maxQueuedBytes)) {
            queuedBytes_ -= queue_.front().second;
            queue_.pop_front();
            ++droppedNow;
        }
        dropped_ += droppedNow;
        droppedTotal = dropped_;
    }
    changed_.notify_all();
    if (droppedNow > 0) {
        QVDALogLine(QStringLiteral("GA event queue full: dropped the oldest %1 waiting event(s), %2 dropped so far")
                        .arg(droppedNow)
                        .arg(droppedTotal));
    }
}

qint64 QVDAGASender::droppedEventCount() const
{
    std::lock_guard lock(mutex_);
    return dropped_;
}

qsizetype QVDAGASender::approximateSize(const GAEvent& event)
{
    constexpr qsizetype perValue = 32;
    qsizetype size = perValue * 5
                     + 2 * (event.coreFuncName().size() + event.eventType().size() + event.category().size()
                            + event.action().size());
    // Labels may nest lists and dictionaries; walk them without recursion.
    std::vector<QVariant> pending{event.labels()};
    while (!pending.empty()) {
        const QVariant value = std::move(pending.back());
        pending.pop_back();
        size += perValue;
        switch (value.metaType().id()) {
        case QMetaType::QString:
            size += 2 * value.toString().size();
            break;
        case QMetaType::QByteArray:
            size += value.toByteArray().size();
            break;
        case QMetaType::QVariantList:
        case QMetaType::QStringList:
            for (const QVariant& item : value.toList()) {
                pending.push_back(item);
            }
            break;
        case QMetaType::QVariantMap: {
            const QVariantMap map = value.toMap();
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                size += 2 * it.key().size();
                pending.push_back(it.value());
            }
            break;
        }
        default:
            if (value.metaType() == QMetaType::fromType<PlistDict>()) {
                const PlistDict dict = value.value<PlistDict>();
                for (const auto& item : dict.items()) {
                    size += 2 * item.first.size();
                    pending.push_back(item.second);
                }
            }
            break;
        }
    }
    return size;
}

void QVDAGASender::waitUntilAllOperationsAreFinished()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void QVDAGASender::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;  // stopping, and everything queued was reported
        }
        GAEvent event = std::move(queue_.front().first);
        queuedBytes_ -= queue_.front().second;
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        dealGAEvent(event);
        dealDataAnalysisEvent(event);
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

std::shared_ptr<RYGALogManager> QVDAGASender::gaManager() const
{
    std::lock_guard lock(mutex_);
    return gaManager_;
}

void QVDAGASender::setGaManager(std::shared_ptr<RYGALogManager> manager)
{
    std::lock_guard lock(mutex_);
    gaManager_ = std::move(manager);
}

QString QVDAGASender::logPath() const
{
    std::lock_guard lock(mutex_);
    return logPath_;
}

void QVDAGASender::setLogPath(const QString& path)
{
    std::lock_guard lock(mutex_);
    logPath_ = path;
}

QString QVDAGASender::sourceTypeText(qint64 sourceType)
{
    switch (sourceType) {
    case 0:
        return QStringLiteral("product");
    case 1:
        return QStringLiteral("downloader");
    case 2:
        return QStringLiteral("monitor");
    case 3:
        return QStringLiteral("web");
    default:
        return QStringLiteral("");
    }
}

QString QVDAGASender::strSourceType() const
{
    const std::shared_ptr<RYGALogManager> config = gaManager();
    return sourceTypeText(config ? config->sourceType() : 0);
}

QString QVDAGASender::ga4Query(const GAEvent& event, const RYGALogManager& config)
{
    QString labels;
    if (const auto list = labelList(event.labels())) {
        for (int i = 0; i < list->size(); ++i) {
            if (isText(list->at(i))) {
                labels += QStringLiteral("&ep.qv_label%1=%2").arg(i + 1).arg(encodeValue(list->at(i).toString()));
            }
        }
    } else if (const auto dict = labelDictionary(event.labels())) {
        for (int i = 0; i < dict->size(); ++i) {
            if (isText(dict->at(i).second)) {
                labels += QStringLiteral("&ep.qv_label%1=%2")
                              .arg(i + 1)
                              .arg(encodeValue(dict->at(i).second.toString()));
            }
        }
    }
    if (labels.isEmpty()) {
        labels = QStringLiteral("&ep.qv_label1=null");
    }

    // Custom dimensions come as "&cdN=value" pairs; each key and value is encoded.
    QString dimension;
    const QString dimensions = orEmpty(config.gaDimension()).replace(QStringLiteral("&cd"), QStringLiteral("&ep.cd"));
    const QStringList pieces = dimensions.split(QLatin1Char('&'));
    for (int i = 0; i < pieces.size(); ++i) {
        const QString& piece = pieces.at(i);
        if (i == 0 && piece.isEmpty()) {
            continue;
        }
        const qsizetype equals = piece.indexOf(QLatin1Char('='));
        dimension += QLatin1Char('&');
        if (equals < 0) {
            dimension += encodeValue(piece);
        } else {
            dimension += encodeValue(piece.left(equals)) + QLatin1Char('=') + encodeValue(piece.mid(equals + 1));
        }
    }

    QString query;
    query += QStringLiteral("&tid=") + encodeValue(orEmpty(config.ga4Identifier()));
    query += QStringLiteral("&ep.qv_productname=") + encodeValue(orEmpty(config.productName()));
    query += QStringLiteral("&ep.qv_productversion=") + encodeValue(orEmpty(config.productVersion()));
    query += QStringLiteral("&ep.qv_category=") + encodeValue(orEmpty(event.category()));
    query += QStringLiteral("&ep.qv_action=") + encodeValue(orEmpty(event.action()));
    query += labels;
    query += QStringLiteral("&en=") + encodeValue(orEmpty(event.action()));
    query += dimension;
    query += QStringLiteral("&ep.event_type=") + encodeValue(orEmpty(event.eventType()));
    query += QStringLiteral("&ep.core_func_name=") + encodeValue(orEmpty(event.coreFuncName()));
    query += QStringLiteral("&ep.func_step=") + stepText(event.coreFuncStep());
    return query;
}

QString QVDAGASender::dataReport(const GAEvent& event, RYGALogManager& config)
{
    if ((event.category() == QLatin1String("CrashRate") && event.action() == QLatin1String("Start"))
        || config.isStart()) {
        config.setStrStart(config.firstlaunch() ? installMarker
                                                : (config.firstUpdate() ? updateMarker : iconMarker));
        config.setIsStart(false);
    }
    if (config.isDownloader()) {
        config.setStrStart(QStringLiteral(""));
    }

    QStringList entries;
    if (const auto list = labelList(event.labels())) {
        for (int i = 0; i < list->size(); ++i) {
            if (isText(list->at(i))) {
                entries << QStringLiteral("\"event_label%1\":\"%2\"").arg(i + 1).arg(jsonEscape(list->at(i).toString()));
            }
        }
    } else if (const auto dict = labelDictionary(event.labels())) {
        for (const auto& item : *dict) {
            if (isText(item.second)) {
                entries << QStringLiteral("\"%1\":\"%2\"").arg(jsonEscape(item.first), jsonEscape(item.second.toString()));
            }
        }
    }
    const QString labelEntries =
        entries.isEmpty() ? QStringLiteral("\"event_label1\":\"null\"") : entries.join(QLatin1Char(','));

    const QString top(12, QLatin1Char(' '));
    const QString inner(16, QLatin1Char(' '));
    const auto quoted = [](const QString& value) {
        return QLatin1Char('"') + jsonEscape(orEmpty(value)) + QLatin1Char('"');
    };
    const auto element = [&](const char* key, const QString& value) {
        return top + QLatin1Char('"') + QLatin1String(key) + QStringLiteral("\": ") + value + QLatin1Char(',');
    };
    const QString marker = startEntry(config.strStart());

    QString text = QStringLiteral("{");
    text += top + QStringLiteral("\"actions\":") + top + QLatin1Char('{');
    text += inner + QStringLiteral("\"core_func_name\":") + quoted(event.coreFuncName()) + QLatin1Char(',');
    text += inner + QStringLiteral("\"func_step\":") + quoted(stepText(event.coreFuncStep())) + QLatin1Char(',');
    text += inner + QStringLiteral("\"event_type\":") + quoted(event.eventType()) + QLatin1Char(',');
    text += inner + QStringLiteral("\"event_category\":") + quoted(event.category()) + QLatin1Char(',');
    text += inner + QStringLiteral("\"event_action\":") + quoted(event.action()) + QLatin1Char(',');
    text += inner + labelEntries;
    text += top + QStringLiteral("},");
    text += element("brand", quoted(QVDAHelper::macType()));
    text += element("model", quoted(QVDAHelper::macModel()));
    text += element("channel", quoted(QString()));
    text += element("phone", quoted(QString()));
    text += element("email", quoted(config.email()));
    text += element("is_login", QString::number(config.isLogin() ? 1 : 0));
    text += element("is_new", QString::number(config.firstStartOnTheDay() ? 1 : 0));
    text += element("is_vip", QString::number(config.isVip() ? 1 : 0));
    text += element("pid", quoted(config.pid()));
    text += element("product", quoted(config.productName()));
    text += element("product_version", quoted(config.productVersion()));
    text += element("cross_end_id", quoted(config.crossEndId()));
    text += element("rnclid", quoted(config.crossEndId()));
    text += element("source_type", quoted(sourceTypeText(config.sourceType())));
    text += element("tools_version", quoted(config.toolVersion()));
    text += element("tools_lang", quoted(config.toolLang()));
    text += top + QStringLiteral("\"kit_type\": ") + QString::number(static_cast<qint32>(config.kitType()));
    if (!marker.isEmpty()) {
        text += QLatin1Char(',');
    }
    text += top + marker + top + QLatin1Char('}');

    config.setStrStart(QStringLiteral(""));
    return text;
}

int32_t QVDAGASender::dealGAEvent(const GAEvent& event)
{
    LWExportObj* report = webLog();
    const std::shared_ptr<RYGALogManager> config = gaManager();
    if (!report || !config || config->ga4Identifier().isEmpty()) {
        return -1;
    }
    std::lock_guard lock(reportMutex_);
    const QString query = ga4Query(event, *config);
    const int32_t status = report->ga4Report(query.toUtf8());
    if (config->printLog() && status == 0) {
        QVDALogLine(QStringLiteral(">>> SoftwareGT4: %1 (%2, %3, %4)")
                        .arg(status)
                        .arg(event.category(), event.action(), labelsDescription(event.labels())));
        QVDALogLine(QStringLiteral("### GA4:%1").arg(query.mid(1).split(QLatin1Char('&')).join(QStringLiteral(", "))));
    }
    return status;
}

int32_t QVDAGASender::dealDataAnalysisEvent(const GAEvent& event)
{
    LWExportObj* report = webLog();
    if (!report) {
        return -1;
    }
    std::shared_ptr<RYGALogManager> config = gaManager();
    if (!config) {
        config = std::make_shared<RYGALogManager>();  // every value empty, false or 0
    }
    std::lock_guard lock(reportMutex_);
    const QString text = dataReport(event, *config);
    const int32_t status = report->dataReport(text.toUtf8(), config->testEnvironment());
    if (config->printLog() && status == 0) {
        QVDALogLine(QStringLiteral(">>> SoftDataReport: %1 (%2, %3, %4, %5, %6, %7)")
                        .arg(status)
                        .arg(event.eventType(), event.coreFuncName())
                        .arg(event.coreFuncStep())
                        .arg(event.category(), event.action(), labelsDescription(event.labels())));
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(text.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError) {
            QVDALogLine(QStringLiteral("*** ERROR: %1").arg(error.errorString()));
        }
        QVDALogLine(QStringLiteral("*** Json: %1").arg(QString::fromUtf8(json.toJson(QJsonDocument::Compact))));
    }
    return status;
}
