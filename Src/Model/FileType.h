#pragma once

#include <cstdint>

#include <QByteArray>
#include <QString>
#include <QStringList>

// The kind of a file, decided by its extension.
enum class FileType { video, audio, picture, document, other };

// The extension tables, lower case without the dot, in stored order.
// `init` succeeds only on an exact match (as a raw-value enumeration would).
#define TWINSWEEP_FORMAT_TABLE(Name)                                         \
    struct Name {                                                            \
        static const QStringList& allRawValues();                            \
        static bool init(const QString& rawValue)                            \
        {                                                                    \
            return allRawValues().contains(rawValue, Qt::CaseSensitive);     \
        }                                                                    \
    };
TWINSWEEP_FORMAT_TABLE(VideoFormat)
TWINSWEEP_FORMAT_TABLE(AudioFormat)
TWINSWEEP_FORMAT_TABLE(PictureFormat)
TWINSWEEP_FORMAT_TABLE(DocumentFormat)
#undef TWINSWEEP_FORMAT_TABLE

// The kind of a path: its last extension, lower-cased, looked up in the video,
// audio, picture and document tables in that order; `other` when none has it.
FileType fileTypeOfPath(const QByteArray& path);
FileType fileTypeOfExtension(const QString& extension);

// Size of an application bundle: the sum of the sizes of everything inside it,
// hidden items included, links not followed; 0 when it cannot be listed.
int64_t applicationSize(const QByteArray& path);
