// The QTextEdit behind RichTextBox. It differs from a plain QTextEdit in
// these ways:
// - the clipboard, undo, redo and select-all keys are left to the main
//   window's menu shortcuts (QTextEdit would otherwise claim them through
//   ShortcutOverride and run its own rich copy and redo). Ctrl+C, Ctrl+X,
//   Ctrl+V and Ctrl+Z reach the window's Edit commands; the other bindings
//   of the same actions (Ctrl+Insert, Shift+Insert, Shift+Delete, Ctrl+Y,
//   Ctrl+A) have no command and do nothing;
// - whatever else moves text in or out of it (the X11 selection, middle-click
//   pasting, dragging and dropping) carries plain text only, as the
//   clipboard commands do;
// - it shows no context menu of its own (the window pops up its Edit menu
//   instead), and it reports every mouse release so that RichTextBox can
//   raise MouseUp.
#pragma once

#include <QPointer>
#include <QTextCursor>
#include <QTextEdit>

class QKeyEvent;
class QMimeData;

namespace pennaro {

class EditorWidget : public QTextEdit {
    Q_OBJECT
public:
    explicit EditorWidget(QWidget *parent = nullptr);

    // True for the key combinations that belong to the window's menus.
    static bool isReservedKey(const QKeyEvent *event);

    // Emits selectionMoved when the anchor or caret differs from the last
    // report, or always with force. QTextEdit raises cursorPositionChanged and
    // selectionChanged separately for one user action; this folds them.
    void reportSelection(bool force = false);

    // QTextEdit::undo, but an undo that puts back a large part of the
    // document is laid out from the top a part at a time, as a loaded
    // document is. False when there was nothing to undo.
    bool undoLastEdit();

    // A batch of changes made through the widget's cursor and the document
    // between beginBatch and endBatch: one undo step, and QTextEdit kept from
    // reacting to each change on the way. Every move of QTextEdit's cursor
    // otherwise costs a cursor rectangle (with a layout of its paragraph), a
    // scroll, a repaint request, an input-method update and the selection
    // notification; Find All on 10,000 matches makes 20,000 moves, 0.2 s of
    // them. The layout starts afresh at the end, from the top a part at a
    // time; the cursor is shown then, and selectionMoved raised once for
    // where the batch left it (nobody sees the window in between). Nothing in
    // a batch may wait for the user. Batches nest.
    void beginBatch();
    void endBatch();

signals:
    void selectionMoved();
    // button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt;
    // x and y in twips from the control's top left corner.
    void mouseReleased(int button, int shift, float x, float y);

protected:
    bool event(QEvent *event) override;
    // Shows the notes and comments a document keeps at the character under
    // the mouse (footnotes, comments) as a tooltip.
    bool viewportEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    int lastAnchor_ = -1;
    int lastPosition_ = -1;
    int batches_ = 0;
    QTextCursor batchGroup_;  // holds the batch's edit block open
    QSizeF batchPageSize_;
    QPointer<QObject> batchControl_;
};

}  // namespace pennaro
