#pragma once

#include <cstdint>

#include <QString>

// Decimal byte-count text: B, KB, MB or GB by 1000, two decimals with
// trailing zeros removed; `spaces` puts two blanks before the unit instead of
// one, `token` false leaves the unit out (the blank(s) stay).
QString transformedFileSize(uint64_t size, bool spaces = false, bool token = true);
QString removeTheTrailingZeros(const QString& numberString);
// Elapsed time in minutes and seconds ("1m 05s"); longer times count in minutes.
QString formatDateEn(int64_t seconds);
