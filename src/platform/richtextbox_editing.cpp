// The editing commands' additions to the control: undo steps that group
// many changes, colouring many places at once, and the plain-text spelling
// of the document's breaks.
#include "platform/richtextbox.h"

#include "platform/editorwidget.h"
#include "platform/units.h"

#include <QTextCharFormat>
#include <QTextCursor>

namespace pennaro {

void RichTextBox::asOneUndoStep(const std::function<void()> &changes) {
    // Ended on every way out: a failure inside must not leave the document
    // holding back its change reports, or the widget its layout, for good.
    struct Batch {
        EditorWidget *edit;
        explicit Batch(EditorWidget *e) : edit(e) { edit->beginBatch(); }
        ~Batch() { edit->endBatch(); }
    } batch(edit_);
    changes();
}

void RichTextBox::setColorOfRanges(const QList<Range> &ranges, quint32 color) {
    if (ranges.isEmpty())
        return;
    QTextCharFormat format;
    format.setForeground(colorFromBgr(color));
    QTextCursor cursor(edit_->document());
    cursor.beginEditBlock();
    for (const Range &range : ranges) {
        cursor.setPosition(range.start);
        cursor.setPosition(range.start + range.length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
}

QString RichTextBox::withPlainTextBreaks(QString text) {
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xfdd0:  // QTextBeginningOfFrame
        case 0xfdd1:  // QTextEndOfFrame
            c = QLatin1Char('\n');
            break;
        default: break;
        }
    }
    return text;
}

}  // namespace pennaro
