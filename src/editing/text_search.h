// Searching the editing control's plain text as Find and Find Next do it:
// the text and the search string are both upper-cased one UTF-16 unit at a
// time (so positions never move) and compared exactly. Positions are 1-based
// offsets into the control's Text; position p is selection start p - 1.
#pragma once

#include <QObject>
#include <QString>
#include <QStringView>

namespace pennaro {

class RichTextBox;

// The 1-based position of the first occurrence of needle in text at or after
// the 1-based position from, 0 when there is none (or from lies beyond the
// end). Both are expected upper-cased already.
int findUpperCased(QStringView upperText, QStringView upperNeedle, qint64 from);

// A search string as the control's Text spells it: a no-break space reads as
// a space there and every kind of paragraph or frame break as "\n", so a
// string taken from SelText finds the very text it came from.
QString asPlainText(QString text);

// The 1-based position of the first occurrence of what in the control's
// plain text from the 1-based position from on, ignoring case; 0 when none.
int searchText(RichTextBox &box, const QString &what, qint64 from);

// The control's Text upper-cased, kept current as the document changes.
// Find All runs Find Next once per match, and each Find Next searches the
// whole text again: copying and upper-casing it every time would make a
// document with thousands of matches take seconds. Edits that keep the
// text's length (colouring, any other formatting, typing over a selection
// of the same length) are re-read over the range they touched; anything
// else rebuilds the copy on the next search. (Inside an edit block the
// document reports its changes when the block closes.) One per control,
// owned by it.
class UpperCasedText : public QObject {
    Q_OBJECT
public:
    static UpperCasedText &of(RichTextBox &box);
    const QString &text();

private:
    explicit UpperCasedText(RichTextBox &box);
    void noteChange(int position, int charsRemoved, int charsAdded);
    void reread(int from, int to);

    RichTextBox &box_;
    QString text_;
    bool valid_ = false;
    int dirtyFrom_ = 0;  // a range [from, to) to read again, empty when from >= to
    int dirtyTo_ = 0;
};

}  // namespace pennaro
