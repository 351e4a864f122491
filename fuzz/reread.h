// What the fuzzer compares when it writes a document and reads it back:
// what a reader finds in the document. The RTF tests check the findings
// the fuzzer made with it.
#pragma once

#include "platform/rtf/kept.h"

#include <QStringList>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace pennaro::rtf::reread {

inline void tableShapes(QTextFrame *frame, int depth, QStringList *shapes) {
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            *shapes << QStringLiteral("%1:%2x%3").arg(depth).arg(table->rows()).arg(table->columns());
        tableShapes(child, depth + 1, shapes);
    }
}

// Its text, paragraphs, tables and kept objects (kinds and places; what
// they hold is written as it was read, with its numbers mapped, so it is
// not compared byte for byte).
inline QStringList summary(const QTextDocument &doc) {
    QStringList lines{doc.toRawText(), QString::number(doc.blockCount())};
    tableShapes(doc.rootFrame(), 0, &lines);
    // Items of one kind in one gap may come back as one.
    QString last;
    for (const PlacedItem &placed : placeKeptContent(&doc)) {
        const QString line = QStringLiteral("gap %1 %2").arg(placed.position).arg(int(placed.item->kind));
        if (line == last)
            lines.last() += placed.item->text();
        else
            lines << line + u' ' + placed.item->text();
        last = line;
    }
    QStringList owned;
    for (const auto &[item, span] : ownedSpans(&doc))
        owned << QStringLiteral("owned %1-%2 %3").arg(span.start).arg(span.end).arg(int(item->kind));
    owned.sort();
    return lines + owned;
}

}  // namespace pennaro::rtf::reread
