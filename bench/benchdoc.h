// Generated documents shaped like a Chinese business report: GBK text in
// \fcharset134 fonts, some \u text and English, a property change every few
// words, paragraphs of a few hundred characters. The same content comes as
// RTF bytes and as decoded runs, so that loading can be compared with
// building the document directly.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <vector>

class QTextDocument;

namespace pennaro::bench {

struct Run {
    bool newParagraph;  // starts a new paragraph (with the paragraph format)
    int format;         // index into BusinessDocument::formats
    QString text;
};

struct BusinessDocument {
    QByteArray rtf;
    std::vector<Run> runs;
    std::vector<QTextCharFormat> formats;
    QTextBlockFormat paragraph;
};

// About `bytes` bytes of RTF; the same seed gives the same document. With
// oneParagraph the text runs on without a paragraph break (a report pasted
// from a system that knows no paragraphs).
BusinessDocument makeBusinessDocument(qsizetype bytes, unsigned seed = 20240901, bool oneParagraph = false);

// The editing control's document font (宋体 12 pt).
void setEditorFont(QTextDocument *doc);

// The floor: the runs inserted with QTextCursor in one edit block, undo off.
void buildDirectly(const BusinessDocument &source, QTextDocument *doc);

}  // namespace pennaro::bench
