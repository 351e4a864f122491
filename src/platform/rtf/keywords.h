// The control words the reader acts on, looked up once per token through a
// table instead of a chain of string comparisons.
#pragma once

#include <cstdint>
#include <string_view>

namespace pennaro::rtf {

// clang-format off
enum class Kw : std::uint8_t {
    // document
    Rtf, Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Uc, U,
    // destinations
    FontTbl, ColorTbl, Field, FldInst, FldRslt, Pict, Upr, Ud,
    SkipDest,   // a destination whose content never shows
    Transparent,  // a group marker whose content reads as ordinary text
    // font and colour tables
    FCharset, Cpg, Red, Green, Blue,
    // character properties
    Plain, CharStyle, Bold, Italic, Underline, UnderlineNone, Strike, Font, FontSize, Color, Background,
    Super, Sub, NoSuperSub, Up, Dn, Caps, SmallCaps,
    CharClass,    // \loch \hich (1), \dbch (2): which kind of character follows
    Direction,    // \ltrch \rtlch
    Associated,   // \ab \ai \af \afs: properties of the other kinds
    Hidden,
    // paragraph properties
    Pard, ParaStyle, Align, LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter,
    LineSpacing, LineMult, PageBreakBefore, InTable, TabKind, TabStop,
    ParaDirection,  // \ltrpar \rtlpar
    Itap,
    // structure and special characters
    Par, Sect, Line, Tab, Page, Cell, NestCell, Row, NestRow, Trowd, Cellx, Chftn, Char,
    // footnote and endnote numbering: value NoteStyle / NoteRestart, plus
    // kEndnotes for the endnote words
    NoteStyle, NoteRestart, NoteStart,
    // pictures
    PicKind, PicW, PicH, PicGoalW, PicGoalH, PicScaleX, PicScaleY,
};
// clang-format on

struct Keyword {
    Kw kw;
    int value;  // the character of Char, the style of Underline/Align, ...
};

// nullptr when the reader does not know the word.
const Keyword *lookupKeyword(std::string_view name);

// Whether the word is a character or paragraph property.
inline bool isPropertyWord(Kw kw) {
    return (kw >= Kw::Plain && kw <= Kw::Hidden) || (kw >= Kw::Pard && kw <= Kw::Itap);
}

enum PicKindValue { PicPng = 1, PicJpeg = 2, PicOther = 3 };

enum NoteRestart { RestartContinuous = 0, RestartSection = 1, RestartPage = 2 };
constexpr int kEndnotes = 0x100;

}  // namespace pennaro::rtf
