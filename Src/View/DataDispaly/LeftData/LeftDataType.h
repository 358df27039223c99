#pragma once

#include <array>

#include <QHashFunctions>

// The result categories, in the order their rows are built.
enum class LeftDataType { all = 0, video = 1, audio = 2, picture = 3, document = 4, other = 5 };

inline constexpr std::array<LeftDataType, 6> allLeftDataTypes = {LeftDataType::all,     LeftDataType::video,
                                                                 LeftDataType::audio,   LeftDataType::picture,
                                                                 LeftDataType::document, LeftDataType::other};

inline size_t qHash(LeftDataType type, size_t seed = 0)
{
    return ::qHash(int(type), seed);
}
