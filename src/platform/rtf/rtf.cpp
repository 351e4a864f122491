// Entry points of the reader half of the engine.
#include "platform/rtf/rtf.h"

#include "platform/rtf/kept.h"
#include "platform/rtf/reader.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace pennaro::rtf {

bool looksLikeRtf(const QByteArray &bytes) {
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return QByteArrayView(bytes).sliced(i).startsWith("{\\rtf");
}

namespace {

ReadResult notRtf() {
    ReadResult r;
    r.ok = false;
    r.error = QStringLiteral("The file is not in RTF format.");
    return r;
}

}  // namespace

ReadResult readDocument(const QByteArray &bytes, QTextDocument *doc) {
    if (!looksLikeRtf(bytes))
        return notRtf();
    // Turning undo off empties the undo stack, and the load itself records
    // nothing; the caller's setting comes back afterwards.
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    Reader reader(bytes, cursor, Reader::Mode::WholeDocument);
    const bool clean = reader.run();
    cursor.endEditBlock();
    setKeptDocument(doc, reader.keptDocument());
    doc->setUndoRedoEnabled(undo);
    ReadResult r;
    r.ok = true;
    r.damaged = !clean;
    return r;
}

ReadResult insertRtf(const QByteArray &bytes, QTextCursor &cursor) {
    if (!looksLikeRtf(bytes))
        return notRtf();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    Reader reader(bytes, cursor, Reader::Mode::Insert);
    const bool clean = reader.run();
    cursor.endEditBlock();
    ReadResult r;
    r.ok = true;
    r.damaged = !clean;
    return r;
}

QPageLayout documentPageLayout(const QTextDocument *doc) {
    const KeptDocumentPtr kept = keptDocument(doc);
    if (!kept || kept->page.isEmpty())
        return {};
    const PageSetup &page = kept->page;
    // RTF gives the paper as it lies, landscape paper wider than high; the
    // margins it does not give are its defaults.
    const double width = page.width / 20.0, height = page.height / 20.0;
    const QPageSize size(QSizeF(std::min(width, height), std::max(width, height)), QPageSize::Point);
    const auto points = [](int twips, int fallback) { return (twips > 0 ? twips : fallback) / 20.0; };
    const QMarginsF margins(points(page.left, 1800), points(page.top, 1440), points(page.right, 1800),
                            points(page.bottom, 1440));
    const bool landscape = page.landscape || width > height;
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, margins, QPageLayout::Point);
}

QString notesAt(const QTextDocument *doc, int position) { return keptNotesAt(doc, position); }

}  // namespace pennaro::rtf
