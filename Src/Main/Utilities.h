#pragma once

#include <functional>
#include <optional>

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "Foundation/UserDefaults.h"

// Writes one log entry: the function, " in ", the file's name, ": ", the
// line, a line break, 21 blanks and the parts joined without separators.
void log(const QStringList& parts, const char* function, const char* file, int line);
// The entry text `log` writes (without the logger's time stamp).
QString logEntry(const QStringList& parts, const char* function, const char* file, int line);

// Logs with the calling function, file and line filled in: TSLOG("a", "b").
#define TSLOG(...) ::log(QStringList{__VA_ARGS__}, __func__, __FILE__, __LINE__)

// Usage events, sent only when the network is reachable.
void asyncGALog(const QString& category, const QString& action, const QString& label);
void syncGALog(const QString& category, const QString& action, const QString& label);

// A usage counter whose first use shows in its Boolean reading: the first
// time 1 is stored, later the stored whole number goes up by one. Answers
// the new count, or nothing (and stores nothing) when the key holds a value
// that is not a whole number.
std::optional<qint64> countUsage(const QString& key);
// A usage counter read as an unsigned number, a missing or unreadable value
// counting as 0; stores and answers the count one higher.
uint64_t countUsageUnsigned(const QString& key);

// Runs the closure on the main queue after `seconds`.
void delay(double seconds, std::function<void()> closure);

// A bundle image read from the resource folder without any cache: name.png,
// else name@2x.png; none when it cannot be loaded.
std::optional<QImage> imageUncache(const QString& name);

// Fills the "%@" places of a text with the values in order, in one pass: a
// value that itself holds "%@" (a file name may) is shown as it is.
QString fillPlaceholders(const QString& text, const QStringList& values);

// A tool tip that shows `text` as it is. Qt reads a tip that looks like
// markup as rich text, so a path such as /home/u/<b>x</b>.jpg would show
// bold without its tags: such a text is escaped, any other left alone.
QString plainToolTip(const QString& text);

// A fixed colour given as red, green and blue fractions of 256.
QColor color256(int red, int green, int blue, double alpha = 1.0);

// A named colour for the present appearance; red for an empty name.
QColor assetColor(const QString& name);
QColor assetColor(const QString& name, double alpha);

// Values of the bundle's information list.
namespace CBSUtilitie {
// The "WebMark" of the store edition, whose links carry the marketing version.
inline constexpr const char* appStoreMark = "appstore";

bool linkHasVersion();
QString version();
std::optional<QUrl> url(const QString& key, bool withVersion);
QString aCFBundleName();
}  // namespace CBSUtilitie

// The typed read of the standard user defaults.
template <typename T>
std::optional<T> userDefault(const QString& key)
{
    return UserDefaults::standardUserDefaults().value<T>(key);
}
