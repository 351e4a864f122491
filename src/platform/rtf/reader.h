// Builds QTextDocument content from RTF tokens. Private to the engine; the
// public entry points are in rtf.h.
#pragma once

#include "platform/rtf/codepage.h"
#include "platform/rtf/keywords.h"
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
#include <string>
#include <unordered_map>
#include <vector>

class QTextTable;

namespace pennaro::rtf {

// Limits that keep hostile input from costing more than it is worth. None of
// them is anywhere near what a real document uses.
namespace limits {
constexpr int kMaxDepth = 512;          // nested groups
constexpr int kMaxTableDepth = 16;      // tables inside tables
constexpr int kMaxColumns = 63;         // what Word allows in a row
constexpr std::size_t kMaxFonts = 16384;
constexpr std::size_t kMaxColors = 16384;
constexpr std::size_t kMaxStyles = 4096;
constexpr std::size_t kMaxStyleWords = 256;
constexpr int kMaxStyleChain = 8;
constexpr int kMaxTabStops = 32;        // per paragraph; Word stops at 64, few use 10
constexpr std::size_t kMaxFontName = 256;
constexpr int kMaxTwips = 31680;        // 22 inches
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
struct CharProps {
    int font = -1;        // font number; -1: the \deff font
    int halfPoints = 24;  // \fs
    int color = 0;        // colour table index; 0: automatic
    int background = 0;
    int link = -1;        // index of the field whose result this is
    std::uint8_t bold = 0, italic = 0, underline = 0, strike = 0;
    std::uint8_t vertical = 0;  // 0 normal, 1 super, 2 sub
    std::uint8_t caps = 0;      // 0 none, 1 all capitals, 2 small capitals
    std::uint8_t hidden = 0;
    // Double-byte text (after \dbch) may carry its own font, size, bold and
    // italic, given as associated properties; unset ones follow the above.
    std::uint8_t dbch = 0;
    std::int8_t dbBold = -1, dbItalic = -1;
    int dbFont = -2;
    int dbHalfPoints = 0;
    bool operator==(const CharProps &) const = default;

    int effectiveFont() const { return dbch && dbFont != -2 ? dbFont : font; }
};

struct CharPropsHash {
    std::size_t operator()(const CharProps &p) const;
};

struct ParaProps {
    int align = 0;  // 0: left, as Qt's default
    int left = 0, right = 0, first = 0, before = 0, after = 0;  // twips
    int lineSpacing = 0;
    bool lineMultiple = false;
    bool breakBefore = false;  // \pagebb
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
    enum class Dest : std::uint8_t { Body, FontTable, ColorTable, StyleSheet, FieldInst, Pict, Discard };

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
        QStringList families;
    };

    struct StyleWord {
        Kw kw;
        int value;
        int param;
        bool hasParam;
    };
    struct Style {
        int basedOn = -1;
        std::vector<StyleWord> words;
    };

    struct Field {
        QString instruction;
        QString href;
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
    void applyStyle(State &s, const std::unordered_map<int, Style> &styles, int id, int depth);

    // Tables of the header
    void fontTableText(std::string_view bytes);
    void finishFont();
    int fontNameCodepage() const;
    void decodeFontNameBytes();
    bool hasFontName() const { return !fontName_.empty() || !fontNameText_.isEmpty(); }
    bool fontNameHasRoom() const { return fontName_.size() + std::size_t(fontNameText_.size()) < limits::kMaxFontName; }
    void clearFontName()
    {
        fontName_.clear();
        fontNameText_.clear();
    }
    void colorTableText(std::string_view bytes);
    void styleSheetText(std::string_view bytes);
    void finishStyle();

    // Text
    int codepageOf(int font) const;
    bool endsWithLeadByte();
    void flushBytes();
    void appendChar(char32_t c);
    void appendText(QStringView text);
    void beginBodyText();
    void flushRun();
    QTextCharFormat charFormat(const CharProps &p);
    QTextBlockFormat blockFormat(const ParaProps &p);

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

    // Fields and pictures
    void finishField(int field);
    void finishPicture();

    const QByteArray &bytes_;
    Tokenizer tokenizer_;
    QTextCursor &cursor_;
    Mode mode_;
    bool damaged_ = false;

    std::vector<State> stack_;
    int overflowDepth_ = 0;
    bool star_ = false;
    int skip_ = 0;  // \uc fallback characters still to skip

    int docCodepage_ = 1252;
    int defaultFont_ = -1;
    std::unordered_map<int, Font> fonts_;
    std::vector<QColor> colors_;  // invalid QColor: automatic
    std::unordered_map<int, Style> paraStyles_;
    std::unordered_map<int, Style> charStyles_;
    std::vector<Field> fields_;

    // Font, colour and style entries being read
    int fontId_ = -1;
    Font font_;
    qsizetype tablesLeft_;     // tables that may still be opened
    QTextBlockFormat insertTailFormat_;  // pasting: the format of the paragraph pasted into
    std::string fontName_;     // bytes not decoded yet
    QString fontNameText_;     // decoded, with any \u characters
    bool colorSet_ = false;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool styleOpen_ = false;
    int styleKind_ = 0;  // 0 paragraph, 1 character, 2 other
    int styleId_ = 0;
    Style style_;

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
    std::unordered_map<CharProps, QTextCharFormat, CharPropsHash> formatCache_;
    ParaProps lastPara_;
    QTextBlockFormat lastBlockFormat_;
    bool haveBlockFormat_ = false;

    // Document structure
    bool pendingBreak_ = false;
    bool pageBreakBefore_ = false;  // the next paragraph starts a page
    bool blockBreaksPage_ = false;  // the current one does
    std::vector<TableLevel> tables_;
    std::vector<int> cellx_;
    int footnotes_ = 0;
    Picture picture_;
};

}  // namespace pennaro::rtf
