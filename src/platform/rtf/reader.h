// Builds QTextDocument content from RTF tokens. Private to the engine; the
// public entry points are in rtf.h.
#pragma once

#include "platform/rtf/codepage.h"
#include "platform/rtf/kept.h"
#include "platform/rtf/keywords.h"
#include "platform/rtf/notemarks.h"
#include "platform/rtf/tokenizer.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class QTextTable;

namespace pennaro::rtf {

// Limits that keep hostile input from costing more than it is worth. None of
// them is anywhere near what a real document uses.
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
}  // namespace limits

// Character properties as RTF states them; turned into a QTextCharFormat only
// when a run of text is inserted.
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
    int link = -1;       // index of the field whose result this is
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

// Whether the UTF-16 unit starts a character that Word sets in the East
// Asian font: CJK ideographs, kana, hangul, CJK punctuation, full-width
// forms (a high surrogate of the supplementary ideograph planes counts).
bool isEastAsian(char16_t c);

struct CharPropsHash {
    std::size_t operator()(const CharProps &p) const;
};

struct ParaProps {
    int style = -1;                                             // \sN, kept for writing back
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
};

class Reader {
public:
    enum class Mode { WholeDocument, Insert };
    Reader(const QByteArray &bytes, QTextCursor &cursor, Mode mode);
    // Returns false when the input was damaged; what could be read is in the
    // document either way.
    bool run();

private:
    enum class Dest : std::uint8_t { Body, FontTable, ColorTable, FieldInst, Pict, Discard };

    struct State {
        CharProps chr;
        ParaProps para;
        int uc = 1;
        int field = -1;
        Dest dest = Dest::Body;
        Dest resume = Dest::Discard;  // what \ud restores inside \upr
        bool rtl = false;             // after \rtlch: associated properties are for right-to-left text
    };

    struct Font {
        int charset = -1;
        int cpg = 0;
        int symbolCp = 0;  // a symbol font's pseudo code page (codepage.h), by its name
        QStringList families;
    };

    // A SYMBOL field's character, shown when the field has no result.
    struct Symbol {
        char32_t character = 0;
        QString family;     // empty: the field's own font
        double points = 0;  // 0: the field's own size
    };

    struct Field {
        QString instruction;
        QString href;
        Symbol symbol;
        bool shown = false;  // some of its result went into the document
    };

    // The formats a run's characters take: Latin and East Asian; in Symbol
    // and Wingdings, the characters read from glyphs take the third.
    struct RunFormats {
        QTextCharFormat latin;
        QTextCharFormat eastAsian;
        std::optional<QTextCharFormat> characters;
        bool split = false;  // latin and eastAsian differ
    };

    static bool hasUnicodeTable(const Font &f) {
        return f.symbolCp == kSymbolFontCodepage || f.symbolCp == kWingdingsCodepage;
    }

    struct NoteNumbering {
        NoteStyle style = NoteStyle::Arabic;
        int restart = RestartContinuous;
        int start = 1;
        int next = 1;
    };

    struct TableLevel {
        QTextTable *table;
        const char *start;  // where in the file the table began
        int row = 0;
        int col = 0;
        bool cellEnded = false;
        bool rowEnded = false;
    };

    struct Picture {
        int kind = 0;
        int picW = 0, picH = 0, goalW = 0, goalH = 0, scaleX = 100, scaleY = 100;
        QByteArray data;
        int nibble = -1;
    };

    State &state() { return stack_.back(); }

    // Tokens
    void openGroup();
    void closeGroup(bool finishDestination);
    void skipGroup();
    void handleWord(const Token &t);
    void handleSymbol(unsigned char c);
    void handleBytes(std::string_view bytes, bool fromHex);
    void handleUnicode(int value);
    bool applyProperty(State &s, Kw kw, int value, int param, bool hasParam);
    static bool isDestination(Kw kw);

    // Tables of the header
    void fontTableText(std::string_view bytes);
    void finishFont();
    int fontNameCodepage() const;
    void decodeFontNameBytes();
    bool hasFontName() const { return !fontName_.empty() || !fontNameText_.isEmpty(); }
    bool fontNameHasRoom() const { return fontName_.size() + std::size_t(fontNameText_.size()) < limits::kMaxFontName; }
    void clearFontName() {
        fontName_.clear();
        fontNameText_.clear();
    }
    void colorTableText(std::string_view bytes);

    // Text
    int codepageOf(int font) const;
    bool endsWithLeadByte();
    void flushBytes();
    // fromGlyphs: the text was read from a symbol font's glyph bytes or codes
    void appendChar(char32_t c, bool fromGlyphs = false);
    void appendText(QStringView text, bool fromGlyphs = false);
    void beginBodyText(bool fromGlyphs = false);
    void flushRun();
    void emitText(const QString &text, const QTextCharFormat &format, bool hidden);
    void insertShown(const QString &text, const QTextCharFormat &format);
    const RunFormats &runFormats(const CharProps &p);
    QTextCharFormat charFormat(const CharProps &p, bool eastAsian) const;
    QTextBlockFormat blockFormat(const ParaProps &p);

    // Kept content (kept.h): hidden text gathered, then hung on the shown
    // characters around it
    void closeKeptItem();
    KeptList takeKept();
    void attachKept(QTextCharFormat &firstShown);
    void settleKept();

    // Structure
    int paraLevel() const;
    void placeCursor(int level);
    void openTable();
    void closeTable();
    void trimSpareRows(const TableLevel &t);
    int upcomingRowEnds(const TableLevel &t) const;  // \row words just ahead in the file, at least 1
    void advanceCell(TableLevel &t);
    void applyBlockFormat();
    void endParagraph(bool pageBreak);
    void endCell(int level);
    void endRow(int level);

    // Fields, notes and pictures
    void finishField(int field);
    void finishFieldResult(int field, const CharProps &props);
    double symbolPoints(double points);
    char32_t symbolFieldCharacter(const QString &family, const CharProps &props, qint64 number, bool unicode,
                                  bool shiftJis);
    void footnoteMark();
    bool endnoteAhead() const;
    bool markTextFollows() const;
    void restartNotes(int at);
    void finishPicture();

    const QByteArray &bytes_;
    Tokenizer tokenizer_;
    QTextCursor &cursor_;
    Mode mode_;
    bool damaged_ = false;

    std::vector<State> stack_;
    // Groups past kMaxDepth are counted, not stacked: they share one state,
    // which each of their closing braces puts back to what it was at the
    // depth limit, and destinations opened in them are skipped whole.
    int overflowDepth_ = 0;
    State overflowBase_;
    bool star_ = false;
    int skip_ = 0;  // \uc fallback characters still to skip

    int docCodepage_ = 1252;
    int defaultFont_ = -1;
    std::unordered_map<int, Font> fonts_;
    std::vector<QColor> colors_;  // invalid QColor: automatic
    std::vector<Field> fields_;

    // Font, colour and style entries being read
    int fontId_ = -1;
    Font font_;
    qsizetype tablesLeft_;               // tables that may still be opened
    QTextBlockFormat insertTailFormat_;  // pasting: the format of the paragraph pasted into
    std::string fontName_;               // bytes not decoded yet
    QString fontNameText_;               // decoded, with any \u characters
    bool colorSet_ = false;
    int red_ = 0, green_ = 0, blue_ = 0;

    // Text not yet decoded, and decoded text not yet inserted
    std::string pending_;
    bool lastByteFromHex_ = false;
    std::size_t pendingScanned_ = 0;  // how far endsWithLeadByte() has looked
    bool pendingTrailNext_ = false;
    char16_t highSurrogate_ = 0;
    Decoders decoders_;
    QString run_;
    CharProps runProps_;
    bool runStarted_ = false;
    bool runFromGlyphs_ = false;
    std::unordered_map<CharProps, RunFormats, CharPropsHash> formatCache_;
    ParaProps lastPara_;
    QTextBlockFormat lastBlockFormat_;
    bool haveBlockFormat_ = false;

    // Document structure
    bool pendingBreak_ = false;
    bool pageBreakBefore_ = false;  // the next paragraph starts a page
    bool blockBreaksPage_ = false;  // the current one does
    std::vector<TableLevel> tables_;
    std::vector<int> cellx_;
    // Footnotes and endnotes; Word numbers endnotes i, ii, iii unless told.
    NoteNumbering notes_[2] = {{}, {NoteStyle::LowerRoman}};
    Picture picture_;

    // Kept content waiting for the next shown character
    std::vector<KeptItem::Run> hiddenRuns_;  // the hidden text item being read
    std::vector<KeptItemPtr> pendingKept_;
};

}  // namespace pennaro::rtf
