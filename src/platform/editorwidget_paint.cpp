// Painting the editing widget (see paintEvent).
#include "platform/editorwidget.h"

#include <QPaintEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <vector>

namespace pennaro {

void EditorWidget::paintEvent(QPaintEvent *e) {
    // The paragraphs the paint reaches, from the top to the bottom of the
    // area being painted.
    const QRect area = e->rect();
    const QTextBlock first = cursorForPosition(area.topLeft()).block();
    const QTextBlock last = cursorForPosition(area.bottomRight()).block();
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
