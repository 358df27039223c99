#pragma once

#include <array>

#include <QHashFunctions>

// How the large-file panel groups its rows: by size band, by age or by kind.
enum class FunctionType { size = 0, date = 1, type = 2 };

inline constexpr std::array<FunctionType, 3> allFunctionTypes = {FunctionType::size, FunctionType::date,
                                                                 FunctionType::type};

// The size grouping's rows, in the order they are listed.
enum class LeftLargeDataType {
    largeFileTotal = 0,
    above5G = 1,
    oneGBToFiveGB = 2,
    fiveHundredMBToOneGB = 3,
    tenMBToFiveHundredMB = 4,
};

inline constexpr std::array<LeftLargeDataType, 5> allLeftLargeDataTypes = {
    LeftLargeDataType::largeFileTotal, LeftLargeDataType::above5G, LeftLargeDataType::oneGBToFiveGB,
    LeftLargeDataType::fiveHundredMBToOneGB, LeftLargeDataType::tenMBToFiveHundredMB};

// The age grouping's rows, in the order they are listed.
enum class LeftLargeTimeDataType {
    largeFilesTypeAll = 0,
    largeFilesTypeYear = 1,
    largeFilesTypeMonth = 2,
    largeFilesTypeWeek = 3,
    largeFilesTypeDay = 4,
    largeFilesTypeToday = 5,
};

inline constexpr std::array<LeftLargeTimeDataType, 6> allLeftLargeTimeDataTypes = {
    LeftLargeTimeDataType::largeFilesTypeAll,  LeftLargeTimeDataType::largeFilesTypeYear,
    LeftLargeTimeDataType::largeFilesTypeMonth, LeftLargeTimeDataType::largeFilesTypeWeek,
    LeftLargeTimeDataType::largeFilesTypeDay,  LeftLargeTimeDataType::largeFilesTypeToday};

inline size_t qHash(FunctionType type, size_t seed = 0)
{
    return ::qHash(int(type), seed);
}

inline size_t qHash(LeftLargeDataType type, size_t seed = 0)
{
    return ::qHash(int(type), seed);
}

inline size_t qHash(LeftLargeTimeDataType type, size_t seed = 0)
{
    return ::qHash(int(type), seed);
}
