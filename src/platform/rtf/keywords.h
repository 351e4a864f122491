// The control words the reader acts on, looked up once per token through a
// table instead of a chain of string comparisons. The words come in groups,
// and the reader has one handler per group (groupOf below).
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
    SkipDest,     // a destination whose content is ours to write anew (\generator, fallbacks)
    Transparent,  // a group marker whose content reads as ordinary text
    DocDest,      // document-level content kept whole: \info, \stylesheet, headers, ...
    TextDest,     // content anchored in the text, kept whole: bookmarks, comments, ...
    Footnote,     // \footnote: kept whole, tied to the \chftn mark before it
    ListLabel,    // \listtext, \pntext: a list label, shown, written back as one
    Object,       // \object: its \result is shown, the rest kept
    ObjResult,
    Shape,        // \shp, \shpgrp: the \shprslt is shown, the rest kept
    ShapeResult,
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
    Itap, ListOverride, ListLevel,
    // text: paragraph ends and special characters
    Par, Sect, Line, Tab, Page, Chftn, Char,
    // tables
    Cell, NestCell, Row, NestRow, Trowd, Cellx,
    // footnote and endnote numbering: value NoteStyle / NoteRestart, plus
    // kEndnotes for the endnote words
    NoteStyle, NoteRestart, NoteStart,
    // pictures
    PicKind, PicW, PicH, PicGoalW, PicGoalH, PicScaleX, PicScaleY,
    // kept content: page settings (value PageWord), marks kept in the text
    PageSetting, TextMark,
};
// clang-format on

enum class KwGroup : std::uint8_t {
    Document,
    Destination,
    HeaderTable,
    Character,
    Paragraph,
    Text,
    Table,
    Notes,
    Picture,
    Kept,
};

inline KwGroup groupOf(Kw kw) {
    if (kw <= Kw::U)
        return KwGroup::Document;
    if (kw <= Kw::ShapeResult)
        return KwGroup::Destination;
    if (kw <= Kw::Blue)
        return KwGroup::HeaderTable;
    if (kw <= Kw::Hidden)
        return KwGroup::Character;
    if (kw <= Kw::ListLevel)
        return KwGroup::Paragraph;
    if (kw <= Kw::Char)
        return KwGroup::Text;
    if (kw <= Kw::Cellx)
        return KwGroup::Table;
    if (kw <= Kw::NoteStart)
        return KwGroup::Notes;
    if (kw <= Kw::PicScaleY)
        return KwGroup::Picture;
    return KwGroup::Kept;
}

struct Keyword {
    Kw kw;
    int value;  // the character of Char, the style of Underline/Align, ...
};

// nullptr when the reader does not know the word.
const Keyword *lookupKeyword(std::string_view name);

// Words that open a group whose content is not body text.
inline bool isDestination(Kw kw) {
    switch (kw) {
    case Kw::FontTbl:
    case Kw::ColorTbl:
    case Kw::FldInst:
    case Kw::Pict:
    case Kw::SkipDest:
    case Kw::DocDest:
    case Kw::TextDest:
    case Kw::Footnote: return true;
    default: return false;
    }
}

// Whether the word is a character or paragraph property.
inline bool isPropertyWord(Kw kw) {
    const KwGroup g = groupOf(kw);
    return g == KwGroup::Character || g == KwGroup::Paragraph;
}

enum PicKindValue { PicPng = 1, PicJpeg = 2, PicOther = 3 };

enum NoteRestart { RestartContinuous = 0, RestartSection = 1, RestartPage = 2 };
constexpr int kEndnotes = 0x100;

// The page settings read for printing; kSection marks the section's own
// (\pgwsxn ...), which override the document's (\paperw ...).
enum PageWord {
    PaperWidth,
    PaperHeight,
    MarginLeft,
    MarginRight,
    MarginTop,
    MarginBottom,
    Landscape,
    SectionDefaults,
    kSection = 0x10,
};

}  // namespace pennaro::rtf
