// The editing commands' additions to the control: undo steps that group
// several changes, and the plain-text spelling of the document's breaks.
#include "platform/richtextbox.h"

#include "platform/editorwidget.h"

#include <QTextCursor>

namespace pennaro {

void RichTextBox::asOneUndoStep(const std::function<void()> &changes) {
    edit_->beginBatch();
    QTextCursor group(edit_->document());
    group.beginEditBlock();
    // Closed on every way out: a failure inside must not leave the document
    // holding back its change reports, or the widget its cursor, for good.
    struct Close {
        EditorWidget *edit;
        QTextCursor &cursor;
        ~Close() {
            cursor.endEditBlock();
            edit->endBatch();
        }
    } close{edit_, group};
    changes();
}

QString withPlainTextBreaks(QString text) {
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xfdd0:  // QTextBeginningOfFrame
        case 0xfdd1:  // QTextEndOfFrame
            c = QLatin1Char('\n');
            break;
        default:
            break;
        }
    }
    return text;
}

}  // namespace pennaro
