// Character and paragraph properties as RTF states them, and the limits
// that keep hostile input from costing more than it is worth. Private to
// the reader.
#pragma once

#include <QtGlobal>

#include <array>
#include <cstddef>
#include <cstdint>

namespace pennaro::rtf {

// None of the limits is anywhere near what a real document uses.
namespace limits {
constexpr int kMaxDepth = 512;      // nested groups with a state of their own; deeper ones share one
constexpr int kMaxTableDepth = 16;  // tables inside tables
constexpr int kMaxColumns = 63;     // what Word allows in a row
constexpr std::size_t kMaxFonts = 16384;
constexpr std::size_t kMaxColors = 16384;
constexpr int kMaxTabStops = 32;  // per paragraph; Word stops at 64, few use 10
constexpr std::size_t kMaxFontName = 256;
constexpr int kMaxTwips = 31680;  // 22 inches
constexpr qint64 kMaxImagePixels = 40'000'000;
// A Qt table costs about a kilobyte whatever it holds, and RTF can open one
// in a couple of dozen bytes. Past one table per this many bytes of input
// (and at least kMinTables), deeper tables are not opened: their text stays
// in the enclosing cell, one paragraph per cell.
constexpr qsizetype kBytesPerTable = 64;
constexpr qsizetype kMinTables = 1000;
constexpr qint64 kMinImagePixels = 4'000'000;
constexpr std::size_t kMaxFields = 100000;
// Distinct stacks of owning items (fields in fields ...); past it, content
// shows but is not kept as an object.
constexpr std::size_t kMaxOwnerLists = 100000;
constexpr int kMaxListOverride = 32767;
}  // namespace limits

// Character properties, turned into a QTextCharFormat only when a run of
// text is inserted.
//
// A character's font depends on the character, as Word assigns it: East
// Asian characters (isEastAsian below) take the \dbch font, all others the
// \loch/\hich one, whatever class word came last. \f sets the latter, and
// the former too while \dbch is the class in force; \af sets the font of
// the class named last. Bold, italic and size given to \dbch text as
// associated properties apply to the East Asian characters likewise.
struct CharProps {
    int font = -1;        // font number of the \loch/\hich text; -1: the \deff font
    int halfPoints = 24;  // \fs
    int color = -1;       // colour table index; -1: automatic
    int background = 0;
    int link = -1;       // the hyperlink this is the text of (DocumentBuilder::addLink)
    int owner = -1;      // the kept items this is the shown part of (DocumentBuilder::ownerList)
    int charStyle = -1;  // \csN, kept for writing back
    std::uint8_t bold = 0, italic = 0, underline = 0, strike = 0;
    std::uint8_t vertical = 0;  // 0 normal, 1 super, 2 sub
    std::uint8_t caps = 0;      // 0 none, 1 all capitals, 2 small capitals
    std::uint8_t hidden = 0;
    std::uint8_t charClass = 0;  // 0 none named, 1 \loch or \hich, 2 \dbch
    std::int8_t dbBold = -1, dbItalic = -1;
    int dbFont = -2;  // the \dbch font; -2: unset, East Asian text takes \f's
    int dbHalfPoints = 0;
    bool operator==(const CharProps &) const = default;

    // Bytes are read in the code page of the font of the class in force.
    int decodingFont() const { return charClass == 2 && dbFont != -2 ? dbFont : font; }
};

struct CharPropsHash {
    std::size_t operator()(const CharProps &p) const;
};

// Whether the UTF-16 unit starts a character that Word sets in the East
// Asian font: CJK ideographs, kana, hangul, CJK punctuation, full-width
// forms (a high surrogate of the supplementary ideograph planes counts).
bool isEastAsian(char16_t c);

struct ParaProps {
    int style = -1;  // \sN, kept for writing back
    int list = 0;    // \lsN (0: not in a list) and \ilvlN, kept for writing back
    int level = 0;
    int align = 0;                                              // 0: left, as Qt's default
    int left = 0, right = 0, first = 0, before = 0, after = 0;  // twips
    int lineSpacing = 0;
    bool lineMultiple = false;
    bool breakBefore = false;  // \pagebb
    bool rightToLeft = false;  // \rtlpar
    bool inTable = false;
    int itap = 0;
    // Tab stops in the order given; the kind applies to the next \tx.
    struct TabStop {
        int twips = 0;
        std::uint8_t kind = 0;  // QTextOption::TabType
        bool operator==(const TabStop &) const = default;
    };
    std::array<TabStop, limits::kMaxTabStops> tabs{};
    std::uint8_t tabCount = 0;
    std::uint8_t nextTabKind = 0;
    bool operator==(const ParaProps &) const = default;

    // The table nesting the paragraph belongs to.
    int tableLevel() const;
};

}  // namespace pennaro::rtf
