// The reference marks of automatically numbered footnotes and endnotes, in
// the numbering styles a document's settings name (\ftnnar, \aftnnrlc, ...).
#pragma once

#include <QString>

#include <cstdint>

namespace pennaro::rtf {

enum class NoteStyle : std::uint8_t {
    Arabic,        // 1, 2, 3
    LowerAlpha,    // a, b, ..., z, aa, bb
    UpperAlpha,    // A, B, ...
    LowerRoman,    // i, ii, iii
    UpperRoman,    // I, II, III
    Chicago,       // *, †, ‡, §, **, ††, ...
    Circled,       // ①, ②, ... (up to 20, then Arabic)
    FullWidth,     // １, ２, ３
    ChineseCount,  // 一, 二, ..., 十, 十一, ... (up to 99, then Arabic)
};

QString noteMark(NoteStyle style, int number);

}  // namespace pennaro::rtf
