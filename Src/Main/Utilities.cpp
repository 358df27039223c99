#include "Utilities.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "QVBaseLib/RYLog.h"
#include "QVLibrary/RYTDarkMode.h"

#include <QFileInfo>
#include <QImageReader>
#include <QTextDocument>

#include <limits>

QString logEntry(const QStringList& parts, const char* function, const char* file, int line)
{
    const QString path = QString::fromUtf8(file ? file : "");
    const QString fileName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    return QString::fromUtf8(function ? function : "") + QStringLiteral(" in ") + fileName + QStringLiteral(": ")
           + QString::number(line) + QLatin1Char('\n') + QString(21, QLatin1Char(' ')) + parts.join(QString());
}

void log(const QStringList& parts, const char* function, const char* file, int line)
{
    RYLog::shared().writeData(logEntry(parts, function, file, line));
}

std::optional<qint64> countUsage(const QString& key)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    qint64 count = 1;
    if (defaults.boolForKey(key)) {
        const std::optional<qint64> stored = defaults.value<qint64>(key);
        if (!stored || *stored == std::numeric_limits<qint64>::max()) {
            return std::nullopt;
        }
        count = *stored + 1;
    }
    defaults.setInteger(count, key);
    return count;
}

uint64_t countUsageUnsigned(const QString& key)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const uint64_t count = defaults.value<uint64_t>(key).value_or(0) + 1;
    defaults.setObject(QVariant::fromValue<quint64>(count), key);
    return count;
}

void delay(double seconds, std::function<void()> closure)
{
    DispatchQueue::main().asyncAfter(seconds, std::move(closure));
}

std::optional<QImage> imageUncache(const QString& name)
{
    const QString resources = Bundle::main().resourcePath();
    if (resources.isEmpty()) {
        return std::nullopt;
    }
    // The program's pictures lie in the Images folder of its resources.
    QString path;
    for (const QString& candidate : {QStringLiteral("/Images/%1.png"), QStringLiteral("/Images/%1@2x.png"),
                                     QStringLiteral("/%1.png"), QStringLiteral("/%1@2x.png")}) {
        path = resources + candidate.arg(name);
        if (QFileInfo::exists(path)) {
            break;
        }
    }
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    return image;
}

QString plainToolTip(const QString& text)
{
    if (!Qt::mightBeRichText(text)) {
        return text;
    }
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QString fillPlaceholders(const QString& text, const QStringList& values)
{
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (const QString& value : values) {
        const qsizetype at = text.indexOf(QStringLiteral("%@"), from);
        if (at < 0) {
            break;
        }
        out += QStringView(text).mid(from, at - from);
        out += value;
        from = at + 2;
    }
    out += QStringView(text).mid(from);
    return out;
}

QColor color256(int red, int green, int blue, double alpha)
{
    return QColor::fromRgbF(static_cast<float>(red / 256.0), static_cast<float>(green / 256.0),
                            static_cast<float>(blue / 256.0), static_cast<float>(alpha));
}

QColor assetColor(const QString& name)
{
    if (name.isEmpty()) {
        return QColor(Qt::red);
    }
    return RYTDarkMode::colorNamed(name);
}

QColor assetColor(const QString& name, double alpha)
{
    QColor color = assetColor(name);
    if (color.isValid()) {
        color.setAlphaF(static_cast<float>(alpha));
    }
    return color;
}

namespace CBSUtilitie {

namespace {
QString infoString(const char* key)
{
    const QVariant v = Bundle::main().objectForInfoDictionaryKey(QString::fromLatin1(key));
    return v.metaType().id() == QMetaType::QString ? v.toString() : QString();
}
bool infoIsString(const char* key)
{
    return Bundle::main().objectForInfoDictionaryKey(QString::fromLatin1(key)).metaType().id() == QMetaType::QString;
}
}  // namespace

bool linkHasVersion()
{
    return infoIsString("LinkHasVersion") && infoString("LinkHasVersion") == QLatin1String("1");
}

QString version()
{
    const bool storeEdition = infoString("WebMark") == QLatin1String(appStoreMark);
    const QString value = storeEdition ? infoString("CFBundleShortVersionString") : infoString("CFBundleVersion");
    return QStringLiteral("&v=%1").arg(value);
}

std::optional<QUrl> url(const QString& key, bool withVersion)
{
    const QVariant v = Bundle::main().objectForInfoDictionaryKey(key);
    if (v.metaType().id() != QMetaType::QString) {
        return std::nullopt;
    }
    QString text = v.toString();
    if (withVersion && linkHasVersion()) {
        text = text + version();
    }
    const QUrl result(text, QUrl::StrictMode);
    if (text.isEmpty() || !result.isValid()) {
        return std::nullopt;
    }
    return result;
}

QString aCFBundleName()
{
    return infoString("CFBundleName");
}

}  // namespace CBSUtilitie
