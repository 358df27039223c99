#pragma once

#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

// The three dates the large-file detail pane shows, read from the file
// system by the record's byte path. A date the file system does not keep
// (many keep no birth time) stays empty.
struct LargeFileDates {
    std::optional<QDateTime> created;
    std::optional<QDateTime> modified;
    std::optional<QDateTime> accessed;
    // Set when the file could not be examined (gone, no permission).
    std::optional<QString> error;

    // statx of the path itself (a link is not followed); touches the disk,
    // so call it off the main thread.
    static LargeFileDates read(const QByteArray& path);

    // The pattern for a language code ("zh", "fr", "ja", "ko", anything
    // else English), in QLocale's syntax.
    static QString pattern(const QString& languageCode);
    // The language code of a locale; the C locale reads as English.
    static QString languageCode(const QLocale& locale);
    // A date in the pattern of the locale's language, in that locale's
    // words; empty for no date.
    static QString text(const std::optional<QDateTime>& date, const QLocale& locale);
};
