#include "ResourceValueURL.h"

#include <algorithm>

bool pathLessThan(const QByteArray& a, const QByteArray& b)
{
    if (a == b) {
        return false;
    }
    // Code points, not UTF-16 units: characters above U+FFFF must sort after
    // U+E000..U+FFFF, as they do in Unicode order.
    const QList<uint> ca = QFile::decodeName(a).normalized(QString::NormalizationForm_C).toUcs4();
    const QList<uint> cb = QFile::decodeName(b).normalized(QString::NormalizationForm_C).toUcs4();
    if (ca != cb) {
        return std::lexicographical_compare(ca.begin(), ca.end(), cb.begin(), cb.end());
    }
    return a < b;
}
