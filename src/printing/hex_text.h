// Registry routines (module RegFunction): numbers written as text, to bytes.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace pennaro::RegFunction {

// Reads a comma-separated list of numbers into bytes, which it replaces:
// element i is the (i + 1)-th number. mode "YES" in any letter case reads
// decimal numbers, any other mode hexadecimal ones ("ff", "4F"; no prefix).
//
// Numbers are read leniently, as far as the characters form one: blanks,
// tabs and line breaks are skipped wherever they stand, the rest of a piece
// after the number is ignored, a piece that does not begin with a number
// reads as 0, and a decimal piece may also be written "&H4F" or "&O117".
// Fractions are rounded to the nearest whole number, halves to the even
// one.
//
// An empty text, or one of commas only, gives no bytes. A number that
// rounds to something outside 0 to 255 throws std::out_of_range naming the
// piece, and bytes keeps what it held: a byte is never made up by wrapping
// or clipping a number.
void HexTextToBytes(const QString &text, std::vector<std::uint8_t> &bytes, const QString &mode);

}  // namespace pennaro::RegFunction
