// Entry points of the reader half of the engine.
#include "platform/rtf/rtf.h"

#include "platform/rtf/reader.h"

#include <QTextCursor>
#include <QTextDocument>

namespace pennaro::rtf {

bool looksLikeRtf(const QByteArray &bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return QByteArrayView(bytes).sliced(i).startsWith("{\\rtf");
}

namespace {

ReadResult notRtf()
{
    ReadResult r;
    r.ok = false;
    r.error = QStringLiteral("The file is not in RTF format.");
    return r;
}

}  // namespace

ReadResult readDocument(const QByteArray &bytes, QTextDocument *doc)
{
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

ReadResult insertRtf(const QByteArray &bytes, QTextCursor &cursor)
{
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

}  // namespace pennaro::rtf
