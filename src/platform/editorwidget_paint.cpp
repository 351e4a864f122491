// Painting the editing widget (see paintEvent).
#include "platform/editorwidget.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <vector>

namespace pennaro {

void EditorWidget::noteHugeParagraphs(int from, int added) {
    QTextDocument *doc = document();
    if (doc->characterCount() <= kHugeParagraph) {
        mayHoldHugeParagraph_ = false;
        return;
    }
    // Only a paragraph holding added text can have grown past the limit;
    // one left over the limit by text taken away costs paints a hit test.
    if (mayHoldHugeParagraph_ || added <= 0)
        return;
    const QTextBlock last = doc->findBlock(from + added);
    for (QTextBlock block = doc->findBlock(from); block.isValid(); block = block.next()) {
        if (block.length() > kHugeParagraph) {
            mayHoldHugeParagraph_ = true;
            return;
        }
        if (block == last)
            return;
    }
}

void EditorWidget::paintEvent(QPaintEvent *e) {
    // Qt's hit test walks the paragraphs from the top of the document to the
    // point, so a document without a huge paragraph is spared it: with the
    // caret far down a million short paragraphs, every blink would walk them.
    if (!mayHoldHugeParagraph_) {
        QTextEdit::paintEvent(e);
        return;
    }
    // The paragraphs the paint reaches, from the top to the bottom of the
    // area being painted. They are found by the layout's hit test alone:
    // cursorForPosition also works out the caret's x, for which Qt lays out
    // every paragraph up to the one hit, and before the first paint of a
    // large document that was all of them (a second for 10 MB).
    const QRectF area = QRectF(e->rect()).translated(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const QTextDocument *doc = document();
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    const QTextBlock first = doc->findBlock(qMax(0, layout->hitTest(area.topLeft(), Qt::FuzzyHit)));
    const QTextBlock last = doc->findBlock(qMax(0, layout->hitTest(area.bottomRight(), Qt::FuzzyHit)));
    std::vector<QTextLayout *> kept;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        if (block.length() > kHugeParagraph) {
            block.layout()->setCacheEnabled(true);
            kept.push_back(block.layout());
        }
        if (block == last)
            break;
    }
    QTextEdit::paintEvent(e);
    // What was kept stays until the paragraph is laid out again; the layout
    // then lets it go again.
    for (QTextLayout *layout : kept)
        layout->setCacheEnabled(false);
}

}  // namespace pennaro
