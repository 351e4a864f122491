#include "platform/editorwidget.h"

#include "platform/richtextbox.h"
#include "platform/rtf/rtf.h"
#include "platform/wrapguard.h"

#include <QAbstractTextDocumentLayout>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextCursor>
#include <QTextDocument>

#include <optional>

namespace pennaro {

EditorWidget::EditorWidget(QWidget *parent) : QTextEdit(parent) {
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] { reportSelection(); });
    connect(this, &QTextEdit::selectionChanged, this, [this] { reportSelection(); });
    // After an edit the same offsets may stand for other text (typing over a
    // selection of one character), so the next cursor signal always counts.
    connect(document(), &QTextDocument::contentsChange, this, [this] { lastAnchor_ = lastPosition_ = -1; });
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int from, int, int added) { noteHugeParagraphs(from, added); });
    new WrapGuard(this);
    watchDocumentHeight();
}

void EditorWidget::reportSelection(bool force) {
    const QTextCursor c = textCursor();
    if (!force && c.anchor() == lastAnchor_ && c.position() == lastPosition_)
        return;
    lastAnchor_ = c.anchor();
    lastPosition_ = c.position();
    emit selectionMoved();
}

bool EditorWidget::isReservedKey(const QKeyEvent *event) {
    // All clipboard traffic must go through the window's plain-text commands,
    // so the alternative bindings (Ctrl+Insert, Shift+Insert, Shift+Delete)
    // are kept away from QTextEdit as well. Ctrl+Y is listed on its own
    // because not every platform theme counts it as Redo.
    static const QKeySequence::StandardKey reserved[] = {
        QKeySequence::Copy, QKeySequence::Cut,  QKeySequence::Paste,
        QKeySequence::Undo, QKeySequence::Redo, QKeySequence::SelectAll,
    };
    for (QKeySequence::StandardKey key : reserved) {
        if (event->matches(key))
            return true;
    }
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    return mods == Qt::ControlModifier && event->key() == Qt::Key_Y;
}

bool EditorWidget::event(QEvent *e) {
    if (e->type() == QEvent::ShortcutOverride && isReservedKey(static_cast<QKeyEvent *>(e))) {
        // Not accepting the override lets the shortcut map deliver the key to
        // the window's action (or to nobody, for Ctrl+Y).
        e->ignore();
        return true;
    }
    return QTextEdit::event(e);
}

bool EditorWidget::viewportEvent(QEvent *e) {
    if (e->type() != QEvent::ToolTip)
        return QTextEdit::viewportEvent(e);
    const auto *help = static_cast<QHelpEvent *>(e);
    const QPointF at = help->pos() + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int position = document()->documentLayout()->hitTest(at, Qt::ExactHit);
    const QString notes = position >= 0 ? rtf::notesAt(document(), position) : QString();
    if (notes.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), notes, viewport());
    return true;
}

void EditorWidget::keyPressEvent(QKeyEvent *e) {
    if (isReservedKey(e)) {
        e->ignore();
        return;
    }
    QTextEdit::keyPressEvent(e);
}

void EditorWidget::mouseReleaseEvent(QMouseEvent *e) {
    QTextEdit::mouseReleaseEvent(e);
    int button = 0;
    switch (e->button()) {
    case Qt::LeftButton: button = 1; break;
    case Qt::RightButton: button = 2; break;
    case Qt::MiddleButton: button = 4; break;
    default: return;
    }
    int shift = 0;
    if (e->modifiers() & Qt::ShiftModifier)
        shift |= 1;
    if (e->modifiers() & Qt::ControlModifier)
        shift |= 2;
    if (e->modifiers() & Qt::AltModifier)
        shift |= 4;
    // The event comes from the viewport; report it against the control.
    const QPointF pos = e->position() + QPointF(viewport()->pos());
    emit mouseReleased(button, shift, float(pos.x() * twipsPerPixelX()), float(pos.y() * twipsPerPixelY()));
}

void EditorWidget::contextMenuEvent(QContextMenuEvent *e) {
    // The window shows its Edit menu on the right button's release.
    e->accept();
}

namespace {

// The selection as plain text, taken from the document only when another
// program (or a drop) asks for it. On X11 every selection made with the
// keyboard or the mouse is offered as the primary selection at once; copying
// the text then would cost Shift+Ctrl+End on 10 MB half a second and 25 MB.
// The cursor follows the document's edits, so what is handed out is the
// selection as it stands when asked for, as other X11 editors do it: empty
// once the selected text has been deleted.
class SelectionMimeData : public QMimeData {
public:
    explicit SelectionMimeData(const QTextCursor &selection) : selection_(selection) {}

    QStringList formats() const override { return {QStringLiteral("text/plain")}; }
    bool hasFormat(const QString &mimeType) const override { return mimeType == QLatin1String("text/plain"); }

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override {
        if (mimeType != QLatin1String("text/plain"))
            return {};
        const QString text = RichTextBox::withPlainTextBreaks(selection_.selectedText());
        if (type.id() == QMetaType::QByteArray)
            return text.toUtf8();
        return text;
    }

private:
    QTextCursor selection_;
};

}  // namespace

QMimeData *EditorWidget::createMimeDataFromSelection() const { return new SelectionMimeData(textCursor()); }

bool EditorWidget::canInsertFromMimeData(const QMimeData *source) const { return source->hasText(); }

void EditorWidget::insertFromMimeData(const QMimeData *source) {
    if (source->hasText())
        insertPlainText(source->text());
}

bool EditorWidget::undoLastEdit() {
    QTextDocument *doc = document();
    if (!doc->isUndoAvailable())
        return false;
    // Putting back the 10 MB that Select All and Del took away, Qt would lay
    // all of it out before undo returns (1.4 s). The document reports the
    // change before its layout hears of it, in time to hide a large one from
    // the layout behind a null page size (Qt's layout ignores a document
    // without one); setting the size again afterwards counts as a fresh
    // document, laid out from the top a part at a time as a loaded one is.
    constexpr int kLargeChange = 64 * 1024;
    std::optional<QSizeF> hidden;
    const auto watch = connect(doc, &QTextDocument::contentsChange, this, [&](int, int removed, int added) {
        if (!hidden && qMax(removed, added) > kLargeChange)
            hidden = hideFromLayout();
    });
    undo();
    disconnect(watch);
    if (hidden) {
        showToLayout(*hidden);
        ensureCursorVisible();
    }
    return true;
}

}  // namespace pennaro
