#pragma once

#include <QByteArray>
#include <QImage>

// Cover art embedded in audio files: ID3v2 pictures (MP3 and others that
// carry an ID3 tag), FLAC picture blocks, MP4/M4A "covr" items and the
// picture comments of Ogg Vorbis and Opus. Reads only the tag areas; every
// length is checked against what was read. Safe on any thread.
namespace QuickLook {

// The front cover when the file names one, else its first picture; a null
// image when the file has none or cannot be read.
QImage audioArtwork(const QByteArray& path);

// The same, from bytes of a file's beginning (for MP4, the whole file or at
// least its "moov" box).
QImage audioArtworkFromData(const QByteArray& data);

}  // namespace QuickLook
