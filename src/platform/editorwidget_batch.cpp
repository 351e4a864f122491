// Batches of changes in the editing widget (see beginBatch).
#include "platform/editorwidget.h"

#include <QTextDocument>

namespace pennaro {

namespace {

// QTextEdit does its work through an inner control object (Qt's
// QWidgetTextControl); the control's signals are what make QTextEdit scroll,
// repaint, update the input method and report the cursor after each change.
// Should a Qt version do without it, batches are only slower.
QObject *textControlOf(QTextEdit *edit) {
    for (QObject *child : edit->children()) {
        if (child->inherits("QWidgetTextControl"))
            return child;
    }
    return nullptr;
}

}  // namespace

void EditorWidget::beginBatch() {
    if (batches_++ > 0)
        return;
    QTextDocument *doc = document();
    batchGroup_ = QTextCursor(doc);
    batchGroup_.beginEditBlock();
    // Hidden from the layout, no change and no cursor rectangle costs
    // layout work.
    batchPageSize_ = hideFromLayout();
    batchControl_ = textControlOf(this);
    if (batchControl_)
        batchControl_->blockSignals(true);
}

void EditorWidget::endBatch() {
    if (--batches_ > 0)
        return;
    // The control reports the document's change (textChanged, and with it
    // RichTextBox's Change) as the edit block closes, so it speaks again
    // first.
    if (batchControl_)
        batchControl_->blockSignals(false);
    batchControl_ = nullptr;
    batchGroup_.endEditBlock();
    batchGroup_ = QTextCursor();
    showToLayout(batchPageSize_);
    viewport()->update();
    ensureCursorVisible();
    updateMicroFocus();
    reportSelection();
}

}  // namespace pennaro
