// Content that a document keeps without showing it: read from the file,
// carried through editing, written back where it stood.
//
// Such content takes no place in the QTextDocument's text, so the editing
// control's Text and selection offsets stay one position per shown
// character. It rides on the formats of the shown characters next to it
// instead, in two properties (docformat.h):
//
//   KeptBefore  the items that stand right before this character
//   KeptAfter   the same items, standing right after this character
//
// Both neighbours of a gap carry the gap's items: deleting either one alone
// keeps them (the other still has them), deleting the text on both sides
// deletes them, and undo brings them back with the characters' formats.
// Text typed next to a carrier inherits its format and so the same items;
// an item is written once, at the earliest place its carriers give (see
// placeKeptContent). An empty paragraph carries its items in the format of
// its paragraph mark (QTextBlock::charFormat), as KeptBefore.
//
// Each item is shared and immutable, and lists compare by the identity of
// their items: two hidden words with the same text are still two items.
#pragma once

#include <QMetaType>
#include <QString>
#include <QTextCharFormat>

#include <cstdint>
#include <memory>
#include <vector>

class QTextDocument;
class QTextFormat;

namespace pennaro::rtf {

struct KeptItem {
    enum class Kind : std::uint8_t {
        HiddenText,  // \v text: runs, each with its format (HiddenText set)
    };
    struct Run {
        QString text;
        QTextCharFormat format;
    };
    Kind kind = Kind::HiddenText;
    std::vector<Run> runs;

    QString text() const;  // the runs' text joined, for tests and tools
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
    // The format with these items added after those it carries already.
    static void append(QTextFormat &format, int property, const KeptList &items);
    // Whether the format carries kept content in either property.
    static bool carriedBy(const QTextFormat &format);

private:
    std::shared_ptr<const std::vector<KeptItemPtr>> items_;
};

// Where each kept item of the document goes: the document position before
// which it is written (a position at a paragraph's end means before its
// paragraph mark). It is the earliest of the first start of a character
// carrying it as KeptBefore, the start of an empty paragraph carrying it,
// and the end of the first unbroken stretch of characters carrying it as
// KeptAfter. Sorted by position, items at one position in document order.
struct PlacedItem {
    int position;
    KeptItemPtr item;
};
std::vector<PlacedItem> placeKeptContent(const QTextDocument *doc);

}  // namespace pennaro::rtf

Q_DECLARE_METATYPE(pennaro::rtf::KeptList)
