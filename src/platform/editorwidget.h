// The QTextEdit behind RichTextBox. It differs from a plain QTextEdit in
// three ways: the clipboard, undo, redo and select-all keys are left to the
// main window's menu shortcuts (QTextEdit would otherwise claim them through
// ShortcutOverride and run its own rich copy and redo), it shows no context
// menu of its own (the window pops up its Edit menu instead), and it reports
// every mouse release so that RichTextBox can raise MouseUp.
#pragma once

#include <QTextEdit>

class QKeyEvent;

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

private:
    int lastAnchor_ = -1;
    int lastPosition_ = -1;
};

}  // namespace pennaro
