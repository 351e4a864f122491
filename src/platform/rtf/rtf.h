// Public face of the RTF engine: RTF bytes in, QTextDocument content out, and
// back. Everything else in src/platform/rtf/ is private to the engine.
#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QString>

class QTextCursor;
class QTextDocument;

namespace pennaro::rtf {

// True when the bytes start with "{\rtf" (after optional leading white space
// that some writers emit); anything else is not accepted as RTF.
bool looksLikeRtf(const QByteArray &bytes);

struct ReadResult {
    bool ok = false;       // false: not RTF at all; the document is untouched
    bool damaged = false;  // true: the file was cut off or malformed; what
                           // could be read up to the damage was kept
    QString error;         // one line for the user or stderr when !ok
};

// Replaces the whole document with the RTF content. The load happens inside
// one edit block and leaves the undo stack empty; the document's default
// font is left as the caller set it.
ReadResult readDocument(const QByteArray &bytes, QTextDocument *doc);

// Inserts RTF content at the cursor (replacing its selection), as pasting
// formatted content does. Part of the caller's undo history.
ReadResult insertRtf(const QByteArray &bytes, QTextCursor &cursor);

// Writes the whole document as 7-bit RTF (see writer.cpp for the dialect).
QByteArray writeDocument(const QTextDocument *doc);

// The page the document's file was laid out for: its paper size,
// orientation and margins. An invalid layout when the file named no paper
// size (or the document did not come from a file).
QPageLayout documentPageLayout(const QTextDocument *doc);

// The notes and comments kept at the character at the position, for a
// tooltip; empty when there are none.
QString notesAt(const QTextDocument *doc, int position);

}  // namespace pennaro::rtf
