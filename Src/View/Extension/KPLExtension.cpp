#include "KPLExtension.h"

#include <array>

QString transformedFileSize(uint64_t size, bool spaces, bool token)
{
    static const std::array<const char*, 9> units = {"B", "KB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"};
    double d = static_cast<double>(size);
    std::size_t i = 0;
    if (size > 1000) {
        d /= 1000.0;
        i = 1;
        if (d > 1000.0) {
            d /= 1000.0;
            i = 2;
            if (d > 1000.0) {
                d /= 1000.0;
                i = 3;
            }
        }
    }
    QString result = removeTheTrailingZeros(QString::asprintf("%.2f", d));
    if (spaces) {
        result += QLatin1Char(' ');
    }
    result += QLatin1Char(' ');
    if (token) {
        result += QLatin1String(units[i]);
    }
    return result;
}

QString removeTheTrailingZeros(const QString& numberString)
{
    if (!numberString.contains(QLatin1Char('.'))) {
        return numberString;
    }
    QString s = numberString;
    if (s.size() >= 2 && s.endsWith(QLatin1Char('0'))) {
        int k = 1;
        for (;;) {
            s.chop(1);
            k += 1;
            if (k >= s.size() || !s.endsWith(QLatin1Char('0'))) {
                break;
            }
        }
    }
    if (s.endsWith(QLatin1Char('.'))) {
        s.chop(1);
    }
    return s;
}

QString formatDateEn(int64_t seconds)
{
    const bool negative = seconds < 0;
    const uint64_t magnitude = negative ? static_cast<uint64_t>(-(seconds + 1)) + 1 : static_cast<uint64_t>(seconds);
    const uint64_t minutes = magnitude / 60;
    const uint64_t rest = magnitude % 60;
    return QStringLiteral("%1%2m %3s")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(minutes)
        .arg(rest, 2, 10, QLatin1Char('0'));
}
