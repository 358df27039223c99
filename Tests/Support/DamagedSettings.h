#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPair>
#include <QRandomGenerator>
#include <QString>
#include <QVariantList>

#include "Foundation/PropertyList.h"

// Settings files as a user may find them after a crash, a full disk or a
// stray tool: a large real one cut off in the middle, random bytes, and a
// binary property list's header followed by garbage.
namespace DamagedSettings {

// A settings file someone has used for years: limits, switches and 2,500
// white-list paths.
inline PlistDict largeSettings()
{
    QVariantList duplicates;
    QVariantList large;
    for (int i = 0; i < 2500; ++i) {
        duplicates.append(QStringLiteral("/home/someone/Projects/archive-%1/photos and scans/%2").arg(i / 50).arg(i));
        if (i % 10 == 0) {
            large.append(QStringLiteral("/srv/media/recordings/%1").arg(i));
        }
    }
    return PlistDict{
        {QStringLiteral("audio"), false},
        {QStringLiteral("file"), true},
        {QStringLiteral("other"), false},
        {QStringLiteral("video"), true},
        {QStringLiteral("photo"), false},
        {QStringLiteral("maxFileSize"), QStringLiteral("4")},
        {QStringLiteral("maxSelect"), true},
        {QStringLiteral("maxSizeType"), QStringLiteral("GB")},
        {QStringLiteral("minFileSize"), QStringLiteral("10")},
        {QStringLiteral("minSelect"), true},
        {QStringLiteral("minSizeType"), QStringLiteral("KB")},
        {QStringLiteral("whiteListPath"), duplicates},
        {QStringLiteral("DupImagesWhiteListPath"), QVariantList{QStringLiteral("/home/someone/Pictures/keep")}},
        {QStringLiteral("LargeFileWhiteListPath"), large},
        {QStringLiteral("hiddenFile"), false},
        {QStringLiteral("zeroByteFile"), false},
        {QStringLiteral("threshold"), QStringLiteral("70")},
    };
}

// Each kind of damage with its name.
inline QList<QPair<const char*, QByteArray>> samples()
{
    const QByteArray whole = PropertyList::serialize(QVariant::fromValue(largeSettings()), PropertyList::Format::xml)
                                 .value_or(QByteArray());
    QByteArray noise(4096, '\0');
    QRandomGenerator random(20261210);
    for (char& byte : noise) {
        byte = static_cast<char>(random.bounded(256));
    }
    QByteArray binary("bplist00");
    binary.append(noise.left(600));
    return {{"cut off in the middle", whole.left(whole.size() / 2)},
            {"random bytes", noise},
            {"a binary header with garbage", binary}};
}

inline bool write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace DamagedSettings
