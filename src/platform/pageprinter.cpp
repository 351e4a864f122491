#include "platform/pageprinter.h"

#include "platform/errors.h"
#include "platform/picturesize.h"
#include "platform/rtf/rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>

#include <algorithm>

namespace pennaro {

namespace {

class PagePainter {
public:
    PagePainter(QTextDocument *doc, QPrinter *printer, QPainter &painter)
        : printer_(printer), painter_(painter), layout_(doc->documentLayout()) {
        layout_->setPaintDevice(printer);
        limitPictureSize(doc);
        // Page size in the printer's pixels; the layout scales the
        // document's own measures (margins, indents) to the printer.
        page_ = QSizeF(printer->width(), printer->height());
        doc->setPageSize(page_);
        pageCount_ = layout_->pageCount();
    }

    int pageCount() const { return pageCount_; }

    void paint(int page, bool first) {
        if (!first && !printer_->newPage())
            throw PlatformError(QStringLiteral("The printer refused a new page"));
        const QRectF view(QPointF(0, page * page_.height()), page_);
        painter_.save();
        painter_.translate(0, -view.top());
        painter_.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        // Text without a colour of its own prints black, whatever the
        // screen's colour scheme.
        context.palette.setColor(QPalette::Text, Qt::black);
        layout_->draw(&painter_, context);
        painter_.restore();
    }

private:
    QPrinter *printer_;
    QPainter &painter_;
    QAbstractTextDocumentLayout *layout_;
    QSizeF page_;
    int pageCount_ = 0;
};

}  // namespace

void printDocument(QTextDocument *copy, QPrinter *printer, const PageProgress &progress) {
    // A document made for a paper of its own (A4 landscape, say) prints on
    // it. A printer that has no such paper keeps its own.
    const QPageLayout page = rtf::documentPageLayout(copy);
    if (page.isValid() && !printer->setPageLayout(page)) {
        printer->setPageSize(page.pageSize());
        printer->setPageOrientation(page.orientation());
    }
    QPainter painter;
    if (!painter.begin(printer))
        throw PlatformError(QStringLiteral("The printer cannot start the job"));
    try {
        PagePainter pages(copy, printer, painter);
        // A printer that makes copies itself is told the count with the job.
        const int copies = printer->supportsMultipleCopies() ? 1 : qMax(1, printer->copyCount());
        const int total = pages.pageCount() * copies;
        int done = 0;
        const auto next = [&](int page) {
            pages.paint(page, done == 0);
            ++done;
            if (progress)
                progress(done, total);
        };
        // The page order the dialog offers is the application's to follow.
        QList<int> order;
        for (int page = 0; page < pages.pageCount(); ++page)
            order.append(page);
        if (printer->pageOrder() == QPrinter::LastPageFirst)
            std::reverse(order.begin(), order.end());
        if (printer->collateCopies()) {
            for (int c = 0; c < copies; ++c) {
                for (const int page : std::as_const(order))
                    next(page);
            }
        } else {
            for (const int page : std::as_const(order)) {
                for (int c = 0; c < copies; ++c)
                    next(page);
            }
        }
    } catch (...) {
        printer->abort();
        throw;
    }
    if (!painter.end() || printer->printerState() == QPrinter::Error)
        throw PlatformError(QStringLiteral("Printing failed"));
}

}  // namespace pennaro
