// Pages for very tall documents (see EditorWidget::kTallDocument).
#include "platform/editorwidget.h"

#include <QAbstractTextDocumentLayout>
#include <QResizeEvent>
#include <QTextDocument>
#include <QTextBlock>
#include <QTextFormat>

#include <vector>

namespace pennaro {

namespace {

// No paragraph is less tall than this many pixels (a 7-point line).
constexpr double kShortestLine = 10;

// The least height the document can take: each paragraph's spacing and one
// line, of the height its format fixes or of kShortestLine.
double leastHeight(const QTextDocument *doc) {
    std::vector<double> byFormat;  // by block format index; 0: not seen yet
    double total = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const auto index = std::size_t(qMax(0, block.blockFormatIndex()));
        if (index >= byFormat.size())
            byFormat.resize(index + 1, 0);
        double &height = byFormat[index];
        if (height == 0) {
            const QTextBlockFormat format = block.blockFormat();
            const bool fixedLine = format.lineHeightType() == QTextBlockFormat::FixedHeight ||
                                   format.lineHeightType() == QTextBlockFormat::MinimumHeight;
            height = qMax(0.0, format.topMargin()) + qMax(0.0, format.bottomMargin()) +
                     qMax(kShortestLine, fixedLine ? format.lineHeight() : 0.0);
        }
        total += height;
    }
    return total;
}

bool hasPageBreaks(const QTextDocument *doc) {
    for (const QTextFormat &format : doc->allFormats()) {
        if ((format.isBlockFormat() || format.isFrameFormat()) &&
            format.intProperty(QTextFormat::PageBreakPolicy) != QTextFormat::PageBreak_Auto)
            return true;
    }
    return false;
}

}  // namespace

void EditorWidget::fitPageHeight() {
    const QTextDocument *doc = document();
    // Once given pages, a document keeps them until it is half as tall, so
    // that it does not switch back and forth around the limit.
    const double limit = pageHeight_ > 0 ? kTallDocument / 2 : kTallDocument;
    const double expected = qMax(laidOutHeight_, leastHeight_);
    const double wanted = expected > limit && !hasPageBreaks(doc) ? kTallPageHeight : -1;
    if (wanted != pageHeight_) {
        pageHeight_ = wanted;
        // A tall document always needs its scroll bar; one that came and
        // went would have QTextEdit lay the document out without pages.
        setVerticalScrollBarPolicy(pageHeight_ > 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    }
    // QTextEdit takes the pages away whenever its view changes width.
    const QSizeF size = doc->pageSize();
    if (!hidden_ && !size.isNull() && size.height() != pageHeight_)
        document()->setPageSize(QSizeF(viewport()->width(), pageHeight_));
}

QSizeF EditorWidget::hideFromLayout() {
    const QSizeF before = document()->pageSize();
    hidden_ = true;
    document()->setPageSize(QSizeF(0, 0));
    return before;
}

void EditorWidget::showToLayout(const QSizeF &before) {
    hidden_ = false;
    // A widget not shown yet has no page size: QTextEdit gives it one when
    // it is. Otherwise the view may have changed width meanwhile, and the
    // document may have come to need pages, or none.
    // Whatever changed meanwhile is laid out afresh, so how tall the
    // document may grow is estimated again before the layout begins.
    laidOutHeight_ = 0;
    leastHeight_ = leastHeight(document());
    if (before.isNull()) {
        document()->setPageSize(before);
        return;
    }
    fitPageHeight();
    document()->setPageSize(QSizeF(viewport()->width(), pageHeight_));
}

void EditorWidget::resizeEvent(QResizeEvent *e) {
    const bool widthChanged = e->oldSize().width() != e->size().width();
    if (!widthChanged || (!hidden_ && pageHeight_ < 0)) {
        QTextEdit::resizeEvent(e);
        return;
    }
    // QTextEdit would lay the document out again without pages, up to the
    // view first (which at the end of a tall document never ends), and would
    // show a hidden document to the layout; it is told the width stayed, and
    // adjusts its scroll bars only. showToLayout uses the new width.
    if (!hidden_)
        document()->setPageSize(QSizeF(viewport()->width(), pageHeight_));
    QResizeEvent sameWidth(e->size(), QSize(e->size().width(), e->oldSize().height()));
    QTextEdit::resizeEvent(&sameWidth);
}

void EditorWidget::watchDocumentHeight() {
    QTextDocument *doc = document();
    connect(doc->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this, [this](const QSizeF &size) {
        laidOutHeight_ = size.height();
        fitPageHeight();
    });
    // The document reports a change before its layout hears of it: a large
    // paste or a loaded file is laid out with pages from the start. While
    // it has pages, any change may bring the first page break.
    connect(doc, &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (qMax(removed, added) > kHugeParagraph) {
            laidOutHeight_ = 0;  // much of what was laid out is gone
            leastHeight_ = leastHeight(document());
        }
        if (pageHeight_ > 0 || added > kHugeParagraph)
            fitPageHeight();
    });
}

}  // namespace pennaro
