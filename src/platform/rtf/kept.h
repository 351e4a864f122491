// Content that a document keeps without showing it, or shows only in part:
// read from the file, carried through editing, written back where it stood.
//
// Two levels of it:
//
// - Document level (KeptDocument): the stylesheet, list tables, document
//   properties, page and section settings, headers and footers, ... kept
//   whole in the document's root frame format; replacing the whole
//   document (QTextDocument::clear) drops it with everything else.
//
// - In the text (KeptItem): hidden text, bookmarks, comments, notes,
//   fields, objects, shapes, pictures Qt cannot draw, section breaks.
//   Such content takes no place of its own in the QTextDocument's text, so
//   the editing control's Text and selection offsets stay one position per
//   shown character. It rides on the formats of shown characters instead:
//
//   KeptBefore  the items that stand right before this character
//   KeptAfter   the same items, standing right after this character
//   KeptOwner   the items whose shown part this character is (a field's
//               result, a note's reference mark, a picture's placeholder),
//               outermost first
//
//   Both neighbours of a gap carry the gap's items: deleting either one
//   alone keeps them (the other still has them), deleting the text on both
//   sides deletes them, and undo brings them back with the characters'
//   formats. Items at a paragraph's end are also carried by the next
//   paragraph's mark (QTextBlock::charFormat of the next block, which Qt
//   removes when the two paragraphs are joined). Text typed next to a
//   carrier inherits its format and so the same items; an item is written
//   once, at the earliest place its carriers give (see placeKeptContent).
//   An empty paragraph carries its items in the format of its paragraph
//   mark (QTextBlock::charFormat), as KeptBefore.
//
// Kept RTF is held in one canonical form (keptrtf.h): text decoded, font,
// colour, style and list numbers as the file gave them, with the file's
// tables (FileTables) beside it. The writer maps the numbers into its own
// tables and encodes the text for its own code page.
//
// Each item is shared and immutable once read, and lists compare by the
// identity of their items: two hidden words with the same text are still
// two items.
#pragma once

#include <QColor>
#include <QMetaType>
#include <QSizeF>
#include <QString>
#include <QTextCharFormat>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class QTextDocument;
class QTextFormat;

namespace pennaro::rtf {

// The font and colour tables of the file some kept content came from.
struct FileTables {
    struct Font {
        QString family;    // empty: the entry gave no name
        int charset = -1;  // \fcharset; -1: none given
        int cpg = 0;       // \cpg; 0: none given
        int symbolCp = 0;  // a symbol font's pseudo code page (codepage.h), by its name
    };
    std::unordered_map<int, Font> fonts;
    std::vector<QColor> colours;  // invalid QColor: automatic
    int defaultFont = -1;
    int codepage = 1252;  // \ansicpg
};
using FileTablesPtr = std::shared_ptr<const FileTables>;

struct KeptItem {
    enum class Kind : std::uint8_t {
        HiddenText,    // \v text: runs, each with its format (HiddenText set)
        Markup,        // in a gap: RTF kept whole (bookmarks, comments, notes with a mark of their
                       // own, fields and objects that showed nothing, unknown destinations)
        Note,          // owns its reference mark; rtf is the \footnote group, written after a
                       // \chftn in place of the mark (or before the mark the file spelled out)
        Wrapper,       // owns the result it shows: rtf opens it (a field, object or shape with
                       // all but its result, or a list label), resultWord opens the result,
                       // suffix closes both
        Picture,       // owns a placeholder image; rtf is the \pict written in its place
        SectionBreak,  // at a paragraph's end: \sect, then rtf, the next section's settings
    };
    struct Run {
        QString text;
        QTextCharFormat format;
    };
    Kind kind = Kind::HiddenText;
    std::vector<Run> runs;   // HiddenText
    QByteArray rtf;          // canonical kept RTF (see Kind)
    QByteArray resultWord;   // Wrapper: "fldrslt", "result", "shprslt", or empty
    QByteArray suffix;       // Wrapper
    bool listLabel = false;  // Wrapper: a \listtext, written as one only in a list paragraph
    bool markGiven = false;  // Note: the file spelled the mark out after \chftn
    QString shown;           // owning kinds: the text owned when read
    QString note;            // the text of the notes and comments in it, for a tooltip
    FileTablesPtr source;    // what the numbers in rtf refer to

    QString text() const;  // hidden runs' text, or the note; for tests and tools
    bool owns() const { return kind == Kind::Note || kind == Kind::Wrapper || kind == Kind::Picture; }
};

using KeptItemPtr = std::shared_ptr<const KeptItem>;

class KeptList {
public:
    KeptList() = default;
    explicit KeptList(std::vector<KeptItemPtr> items);

    const std::vector<KeptItemPtr> &items() const;
    bool isEmpty() const { return !items_ || items_->empty(); }
    bool operator==(const KeptList &other) const;

    // The list in the property of the format (empty when it has none).
    static KeptList of(const QTextFormat &format, int property);
    // Sets (or, with an empty list, clears) the property. Every change of
    // kept content in a format goes through here: see KeptHash.
    static void set(QTextFormat &format, int property, const KeptList &items);
    // The format with these items added after those it carries already.
    static void append(QTextFormat &format, int property, const KeptList &items);
    // Whether the format carries kept content in any of the properties.
    static bool carriedBy(const QTextFormat &format);

private:
    std::shared_ptr<const std::vector<KeptItemPtr>> items_;
};

// The page the document was laid out for, in twips (0: not given).
struct PageSetup {
    int width = 0, height = 0;
    int left = 0, right = 0, top = 0, bottom = 0;
    bool landscape = false;
    bool isEmpty() const { return width <= 0 || height <= 0; }
};

struct KeptDocument {
    FileTablesPtr source;
    // All the file has before its body but its font and colour tables, in
    // the order it came: stylesheet, list tables, properties, document and
    // first section settings, headers and footers, other destinations.
    QByteArray prologue;
    PageSetup page;
};
using KeptDocumentPtr = std::shared_ptr<const KeptDocument>;

// The document's kept content, or nullptr.
KeptDocumentPtr keptDocument(const QTextDocument *doc);
void setKeptDocument(QTextDocument *doc, KeptDocumentPtr kept);

// Where each kept gap item of the document goes: the document position
// before which it is written (a position at a paragraph's end means before
// its paragraph mark). It is the earliest of the first start of a character
// carrying it as KeptBefore, the start of an empty paragraph carrying it,
// and the end of the first unbroken stretch of characters carrying it as
// KeptAfter. Sorted by position, items at one position in document order.
struct PlacedItem {
    int position;
    KeptItemPtr item;
};
std::vector<PlacedItem> placeKeptContent(const QTextDocument *doc);

// The characters an owning item is written around: its first unbroken
// stretch of owners (paragraph marks in between do not break it, another
// frame does), cut short after the text it owned when read, so that text
// typed right after a field or note mark is not taken into it. A list label
// owns nothing in a paragraph that is not in a list, nor a reference mark
// without its note: they are plain text.
struct OwnedSpan {
    int start;
    int end;
};
std::unordered_map<const KeptItem *, OwnedSpan> ownedSpans(const QTextDocument *doc);

// The notes and comments kept at a character (its owners and the gaps on
// either side of it), one per line; empty when there are none.
QString keptNotesAt(const QTextDocument *doc, int position);

}  // namespace pennaro::rtf

Q_DECLARE_METATYPE(pennaro::rtf::KeptList)
Q_DECLARE_METATYPE(pennaro::rtf::KeptDocumentPtr)
