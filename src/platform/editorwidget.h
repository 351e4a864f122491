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

    // A paragraph of more characters than this keeps Qt's analysis of its
    // text from one paint to the next (see paintEvent).
    static constexpr int kHugeParagraph = 20000;

    // Very tall documents are laid out in pages (editorwidget_pages.cpp).
    // Qt's layout loops for ever once a document without pages grows past
    // 8,388,607 pixels (its QFIXED_MAX; a million empty paragraphs are 14
    // million): a line that reaches its "page" bottom asks for a new page,
    // which a document without pages never gets. A document expected to
    // grow past kTallDocument is given pages of kTallPageHeight, which only
    // such a document ever fills; none is given pages while it holds a page
    // break, which would then open a page's worth of empty space. Qt's
    // coordinates end at 33 million pixels, pages or not.
    static constexpr double kTallDocument = 4'000'000;
    static constexpr double kTallPageHeight = 8'000'000;
    // Decides again whether the document needs pages, and gives them to it
    // unless the document is hidden from the layout.
    void fitPageHeight();

    // Qt's layout ignores a document without a page size (and drops what it
    // had laid out): changes made while the document is hidden cost no
    // layout work, and showing it again counts as a fresh document, laid out
    // from the top a part at a time. hideFromLayout returns what
    // showToLayout is to be given; they do not nest.
    QSizeF hideFromLayout();
    void showToLayout(const QSizeF &before);

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
    // Qt analyses a paragraph's text (scripts, directions, break
    // opportunities) for every paint of it and drops the result afterwards;
    // for a paragraph of megabytes each blink of the caret cost a third of a
    // core. Painted huge paragraphs keep that analysis (about 5 bytes a
    // character) until they are laid out again, which they then are without
    // keeping all their glyphs (Qt would keep 30 bytes a character).
    void paintEvent(QPaintEvent *event) override;
    // QTextEdit gives the document pages of unlimited height again on every
    // change of width; a tall document keeps its pages.
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void watchDocumentHeight();
    // Notes whether a change may have made a paragraph huge (paintEvent).
    void noteHugeParagraphs(int from, int added);

    bool mayHoldHugeParagraph_ = false;
    int lastAnchor_ = -1;
    int lastPosition_ = -1;
    int batches_ = 0;
    QTextCursor batchGroup_;  // holds the batch's edit block open
    QSizeF batchPageSize_;
    bool hidden_ = false;  // hideFromLayout without showToLayout yet
    QPointer<QObject> batchControl_;
    double pageHeight_ = -1;
    double laidOutHeight_ = 0;  // as far as the layout has gone
    double leastHeight_ = 0;    // leastHeight() after the last large change
};

}  // namespace pennaro
