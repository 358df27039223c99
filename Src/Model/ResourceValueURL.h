#pragma once

#include <functional>

#include <QByteArray>
#include <QFile>
#include <QHashFunctions>
#include <QUrl>

#include "Foundation/ResourceValues.h"

// One walked item: its path, as the bytes the system gave, and the values the
// walk read for it. Two are equal when their paths are equal byte strings.
// Known to the engines as ScanManager::ResourceValueURL.
struct ResourceValueURL {
    QByteArray path;
    ResourceValues resourceValues;

    ResourceValueURL() = default;
    ResourceValueURL(QByteArray p, ResourceValues values) : path(std::move(p)), resourceValues(std::move(values)) {}

    // A file URL for showing and for Qt APIs; reach the file through `path`.
    QUrl url() const { return FilePath::fileUrl(path); }
    QString displayPath() const { return QFile::decodeName(path); }

    bool operator==(const ResourceValueURL& other) const { return path == other.path; }
};

inline size_t qHash(const ResourceValueURL& value, size_t seed = 0)
{
    return qHash(value.path, seed);
}

template <>
struct std::hash<ResourceValueURL> {
    size_t operator()(const ResourceValueURL& value) const noexcept { return qHash(value.path); }
};

// Path order for showing: the decoded names in canonical (NFC) code-point
// order; the raw bytes break ties, so two differently normalised names stay
// two distinct, adjacent entries.
bool pathLessThan(const QByteArray& a, const QByteArray& b);
