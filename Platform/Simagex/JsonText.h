#pragma once

#include <string>

namespace simagex {

// Appends `text` as a JSON string literal. Valid UTF-8 passes through; each
// byte of an invalid sequence becomes the escape \udc80 ... \udcff, so a
// reader can give the file name's bytes back exactly.
void appendJsonString(std::string& out, const std::string& text);
// Appends a number the same way in every locale.
void appendJsonNumber(std::string& out, double value);
void appendJsonNumber(std::string& out, long long value);

}  // namespace simagex
