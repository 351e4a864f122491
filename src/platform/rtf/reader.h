// Reads RTF tokens: the group stack with its properties, the header tables,
// decoding, and what each control word means; the document it builds is
// the DocumentBuilder's. Private to the engine; the public entry points are
// in rtf.h.
#pragma once

#include "platform/rtf/builder.h"
#include "platform/rtf/headertables.h"
#include "platform/rtf/kept.h"
#include "platform/rtf/keptrtf.h"
#include "platform/rtf/keywords.h"
#include "platform/rtf/notemarks.h"
#include "platform/rtf/props.h"
#include "platform/rtf/tokenizer.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTextCursor>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pennaro::rtf {

class Reader {
public:
    using Mode = DocumentBuilder::Mode;
    Reader(const QByteArray &bytes, QTextCursor &cursor, Mode mode);
    // Returns false when the input was damaged; what could be read is in the
    // document either way.
    bool run();
    // Whole documents: what the file keeps at document level.
    KeptDocumentPtr keptDocument() const;

private:
    enum class Dest : std::uint8_t {
        Body,
        FontTable,
        ColorTable,
        Pict,
        Capture,  // kept content being copied (see capture_)
        Wrapper,  // the level of a field, object or shape: its words and parts are kept
        Discard,
    };

    struct State {
        CharProps chr;
        ParaProps para;
        int uc = 1;
        int field = -1;    // the field whose result this is
        int wrapper = -1;  // the wrapper whose group this is, or whose result this is
        Dest dest = Dest::Body;
        Dest resume = Dest::Discard;  // what \ud restores inside \upr
        bool rtl = false;             // after \rtlch: associated properties are for right-to-left text
        bool inlineOnly = false;      // a shape's or object's result: no paragraphs or tables of its own
        int keptFont = -1;            // kept content: the font its copy has put in force for its glyph bytes
        const char *start = nullptr;  // where the group began
    };

    // A SYMBOL field's character, shown when the field has no result.
    struct Symbol {
        char32_t character = 0;
        QString family;     // empty: the field's own font
        double points = 0;  // 0: the field's own size
    };

    struct Field {
        QString href;
        Symbol symbol;
        bool shown = false;  // some of its result went into the document
    };

    // A field, object, shape or list label: what is kept of it, and the
    // owner list its result is shown with.
    struct Wrapper {
        std::shared_ptr<KeptItem> item;
        std::size_t depth;  // the stack size with its group open
        int owner = -1;
        int field = -1;
        bool inResult = false;
        bool resultDone = false;
        bool kept = true;  // false: a hyperlink, shown as a link instead
    };

    // Where kept content being copied goes, and what it is.
    struct Capture {
        enum Purpose : std::uint8_t { Document, Gap, Note, FieldInstruction, WrapperPart };
        QByteArray *target = nullptr;
        qsizetype start = 0;  // where in the target it began
        int depth = 0;        // open groups, its own included
        Purpose purpose = Document;
        std::string name;                // the destination's word
        std::shared_ptr<KeptItem> item;  // Gap, Note: the item it goes into
        bool documentCodepage = false;   // its text is in the document's code page
    };

    struct NoteNumbering {
        NoteStyle style = NoteStyle::Arabic;
        int restart = RestartContinuous;
        int start = 1;
        int next = 1;
    };

    struct Picture {
        int kind = 0;
        int picW = 0, picH = 0, goalW = 0, goalH = 0, scaleX = 100, scaleY = 100;
        QByteArray data;
        int nibble = -1;
        const char *start = nullptr;  // its opening brace in the file, or its \\pict when that is not
                                      // the first word of its group
        int uc = 1;                   // the \\uc in force there
    };

    State &state() { return stack_.back(); }

    // Tokens and groups (reader.cpp)
    void openGroup();
    void closeGroup(bool finishDestination);
    void skipGroup();
    void handleWord(const Token &t);
    void handleSymbol(unsigned char c);
    void handleBytes(std::string_view bytes, bool fromHex);
    void handleUnicode(int value);
    static bool skipFallback(Token &t, int &skip);
    void unknownWord(const Token &t, bool starred);

    // One handler per keyword group (reader.cpp)
    void documentWord(const Keyword &k, const Token &t);
    void destinationWord(const Keyword &k, const Token &t, bool starred);
    void headerTableWord(const Keyword &k, const Token &t);
    bool applyProperty(State &s, Kw kw, int value, int param, bool hasParam);
    void textWord(const Keyword &k, const Token &t);
    void tableWord(const Keyword &k, const Token &t);
    void noteWord(const Keyword &k, const Token &t);
    void pictureWord(const Keyword &k, const Token &t);
    void keptWord(const Keyword &k, const Token &t);
    bool opensGroup(const Token &t) const;

    // Text (reader.cpp)
    bool endsWithLeadByte();
    bool braceIsTrailByte(const Token &t);
    int decodingCodepage() const;
    void flushBytes();
    void appendChar(char32_t c, bool fromGlyphs = false);
    void appendText(QStringView text, bool fromGlyphs = false);
    void startBody();

    // Kept content (reader_kept.cpp)
    void beginCapture(Capture::Purpose purpose, QByteArray *target, std::string_view word, bool starred,
                      bool hasParam = false, int param = 0);
    void captureToken(const Token &t);
    void captureGroupClosed();
    void finishCapture();
    void keepDocumentGroup(const Token &t, bool starred);
    void keepGap(const Token &t, bool starred);
    void keepGapWord(const Token &t);
    void keepSettingWord(const Token &t, bool known);
    void keepFootnote(const Token &t, bool starred);
    bool sectionBreak();  // whether a section ended (none does in a table)
    void pageSetting(int which, const Token &t);
    std::shared_ptr<KeptItem> newItem(KeptItem::Kind kind);
    void beginWrapper(std::shared_ptr<KeptItem> item, int field, bool wholeGroupShown);
    void wrapperChild(const Token &t, bool starred);
    void wrapperWord(const Token &t);
    void keepUnicode(KeptRtf &out, const Token &t);
    void finishWrapper();
    void keptPicture(const Picture &pic);

    // Fields and notes (reader_fields.cpp)
    void beginField();
    void finishFieldInstruction(int field, const QString &instruction);
    double symbolPoints(double points);
    char32_t symbolFieldCharacter(const QString &family, const CharProps &props, qint64 number, bool unicode,
                                  bool shiftJis);
    void showSymbol(const Wrapper &w);
    void resultShown();
    void footnoteMark();
    bool joinStrayMark(bool endnote);
    bool endnoteAhead() const;
    bool markTextFollows() const;
    static bool isMarkText(const Token &t);
    void restartNotes(int at);
    void finishPicture();

    const QByteArray &bytes_;
    Tokenizer tokenizer_;
    Mode mode_;
    HeaderTables tables_;
    DocumentBuilder builder_;
    bool damaged_ = false;

    std::vector<State> stack_;
    // Groups past kMaxDepth are counted, not stacked: they share one state,
    // which each of their closing braces puts back to what it was at the
    // depth limit, and destinations opened in them are skipped whole.
    int overflowDepth_ = 0;
    State overflowBase_;
    bool star_ = false;
    int skip_ = 0;                    // \uc fallback characters still to skip
    const char *lastOpen_ = nullptr;  // the brace of the group opened last
    bool groupStart_ = false;         // nothing read yet in the group opened last

    // Text not yet decoded
    std::string pending_;
    bool lastByteFromHex_ = false;
    std::size_t pendingScanned_ = 0;  // how far endsWithLeadByte() has looked
    bool pendingTrailNext_ = false;
    char16_t highSurrogate_ = 0;

    std::vector<Field> fields_;
    std::vector<Wrapper> wrappers_;
    // Footnotes and endnotes; Word numbers endnotes i, ii, iii unless told.
    NoteNumbering notes_[2] = {{}, {NoteStyle::LowerRoman}};
    std::shared_ptr<KeptItem> openNote_;  // a reference mark waiting for its note
    // A mark spelled out after \chftn: the text up to the next control word
    // or brace is the note's, in the group at this depth.
    struct GivenMark {
        std::size_t depth = 0;  // 0: none
        int owner = -1;         // the group's owners before it
    } givenMark_;
    // An automatic mark kept as having no note, which the note that comes
    // next makes its own if nothing is shown or kept before it.
    struct StrayMark {
        std::shared_ptr<KeptItem> gap;  // the gap it was kept in
        qsizetype at = 0;               // where its \chftn begins in the gap
        CharProps chr;
        ParaProps para;
    } strayMark_;
    Picture picture_;
    std::map<std::pair<int, int>, QImage> placeholders_;

    // Kept content
    Capture capture_;
    KeptRtf captureOut_{nullptr};
    std::shared_ptr<KeptDocument> keptDoc_;
    KeptRtf prologueOut_{nullptr};
    bool bodyStarted_ = false;
    std::shared_ptr<KeptItem> section_;  // the section break whose settings are being read
    KeptRtf sectionOut_{nullptr};
    std::shared_ptr<KeptItem> lastGap_;
    QString lastAuthor_;  // the author of the comment that follows
    PageSetup page_, sectionPage_;
};

}  // namespace pennaro::rtf
