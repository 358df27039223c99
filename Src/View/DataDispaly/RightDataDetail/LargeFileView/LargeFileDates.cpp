#include "LargeFileDates.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

std::optional<QDateTime> dateOf(const struct statx_timestamp& stamp)
{
    const qint64 ms = qint64(stamp.tv_sec) * 1000 + qint64(stamp.tv_nsec) / 1'000'000;
    return QDateTime::fromMSecsSinceEpoch(ms);
}

}  // namespace

LargeFileDates LargeFileDates::read(const QByteArray& path)
{
    LargeFileDates dates;
    struct statx info {};
    const unsigned mask = STATX_BTIME | STATX_MTIME | STATX_ATIME;
    if (statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW | AT_STATX_SYNC_AS_STAT, mask, &info) != 0) {
        dates.error = QString::fromLocal8Bit(std::strerror(errno));
        return dates;
    }
    if (info.stx_mask & STATX_BTIME) {
        dates.created = dateOf(info.stx_btime);
    }
    if (info.stx_mask & STATX_MTIME) {
        dates.modified = dateOf(info.stx_mtime);
    }
    if (info.stx_mask & STATX_ATIME) {
        dates.accessed = dateOf(info.stx_atime);
    }
    return dates;
}

QString LargeFileDates::pattern(const QString& languageCode)
{
    if (languageCode == QLatin1String("zh") || languageCode == QLatin1String("zh-Hans")) {
        return QStringLiteral("yyyy年M月d日 dddd H:mm");
    }
    if (languageCode == QLatin1String("fr")) {
        return QStringLiteral("d MMMM, HH'h'mm");
    }
    if (languageCode == QLatin1String("ja")) {
        return QStringLiteral("yyyy年M月d日 APhh時mm分");
    }
    if (languageCode == QLatin1String("ko")) {
        return QStringLiteral("yyyy년 M월 d일, AP h:mm");
    }
    return QStringLiteral("MMM d, yyyy 'at' h:mm AP");
}

QString LargeFileDates::languageCode(const QLocale& locale)
{
    if (locale.language() == QLocale::C) {
        return QStringLiteral("en");
    }
    return QLocale::languageToCode(locale.language());
}

QString LargeFileDates::text(const std::optional<QDateTime>& date, const QLocale& locale)
{
    if (!date) {
        return QString();
    }
    const QLocale shown = locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
    return shown.toString(date->toLocalTime(), pattern(languageCode(locale)));
}
