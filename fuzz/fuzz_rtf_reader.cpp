// Feeds arbitrary bytes to the RTF reader, both as a whole document and as
// content pasted into the middle of existing text, and reads the result
// back out, kept content included. The whole document is then written and
// read again: its text, paragraphs, table shapes and kept objects must come
// back the same. QTextDocument needs no application object as long as
// nothing asks it for a layout.
#include "platform/rtf/kept.h"
#include "platform/rtf/rtf.h"

#include <QByteArray>
#include <QStringList>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

void tableShapes(QTextFrame *frame, int depth, QStringList *shapes)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            *shapes << QStringLiteral("%1:%2x%3").arg(depth).arg(table->rows()).arg(table->columns());
        tableShapes(child, depth + 1, shapes);
    }
}

// What a reader finds in the document: its text, paragraphs, tables and
// kept objects (kinds and places; what they hold is written as it was read,
// with its numbers mapped, so it is not compared byte for byte).
QStringList summary(const QTextDocument &doc)
{
    QStringList lines{doc.toRawText(), QString::number(doc.blockCount())};
    tableShapes(doc.rootFrame(), 0, &lines);
    // Items of one kind in one gap may come back as one.
    QString last;
    for (const pennaro::rtf::PlacedItem &placed : pennaro::rtf::placeKeptContent(&doc)) {
        const QString line = QStringLiteral("gap %1 %2").arg(placed.position).arg(int(placed.item->kind));
        if (line == last)
            lines.last() += placed.item->text();
        else
            lines << line + u' ' + placed.item->text();
        last = line;
    }
    QStringList owned;
    for (const auto &[item, span] : pennaro::rtf::ownedSpans(&doc))
        owned << QStringLiteral("owned %1-%2 %3").arg(span.start).arg(span.end).arg(int(item->kind));
    owned.sort();
    return lines + owned;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // Most mutations of a seed keep its header; those that do not would only
    // test the "not RTF" check, so give them one.
    if (!pennaro::rtf::looksLikeRtf(bytes))
        bytes.prepend("{\\rtf1 ");

    QTextDocument doc;
    const pennaro::rtf::ReadResult whole = pennaro::rtf::readDocument(bytes, &doc);
    if (!whole.ok || doc.isUndoAvailable())
        __builtin_trap();
    (void)pennaro::rtf::keptNotesAt(&doc, 0);

    // Written and read back, the document is the same document.
    const QByteArray saved = pennaro::rtf::writeDocument(&doc);
    QTextDocument back;
    if (!pennaro::rtf::readDocument(saved, &back).ok)
        __builtin_trap();
    const QStringList before = summary(doc);
    const QStringList after = summary(back);
    if (before != after) {
        for (qsizetype i = 0; i < std::max(before.size(), after.size()); ++i) {
            if (before.value(i) != after.value(i))
                std::fprintf(stderr, "read:    %s\nreread:  %s\n", qPrintable(before.value(i).left(300)),
                             qPrintable(after.value(i).left(300)));
        }
        std::fprintf(stderr, "written: %s\n", saved.constData());
        __builtin_trap();
    }

    QTextDocument host;
    QTextCursor cursor(&host);
    cursor.insertText(QStringLiteral("before after"));
    cursor.setPosition(7);
    pennaro::rtf::insertRtf(bytes, cursor);
    (void)host.toPlainText();
    (void)pennaro::rtf::placeKeptContent(&host);
    (void)pennaro::rtf::writeDocument(&host);
    return 0;
}
