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
// The same for a bare file name given as bytes; names whose extension is
// plain ASCII are decided without building any text.
FileType fileTypeOfName(const char* name, size_t length);

// The extension of a file name (bytes after the last dot, none when the dot
// leads or ends the name), lower-cased into `out` when it is plain ASCII and
// at most `capacity` bytes. Answers its length, 0 when there is none, or -1
// when it is longer or not ASCII (the caller then asks the text way).
int asciiLowerExtension(const char* name, size_t length, char* out, int capacity);
FileType fileTypeOfExtension(const QString& extension);

// Size of an application bundle: the sum of the sizes of everything inside it,
// hidden items included, links not followed; 0 when it cannot be listed.
int64_t applicationSize(const QByteArray& path);
