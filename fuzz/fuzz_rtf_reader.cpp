// Feeds arbitrary bytes to the RTF reader, both as a whole document and as
// content pasted into the middle of existing text, and reads the result
// back out, kept content included. The whole document is then written and
// read again: its text, paragraphs, table shapes and kept objects must come
// back the same. QTextDocument needs no application object as long as
// nothing asks it for a layout.
#include "reread.h"

#include "platform/rtf/kept.h"
#include "platform/rtf/rtf.h"

#include <QByteArray>
#include <QStringList>
#include <QTextCursor>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
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
    const QStringList before = pennaro::rtf::reread::summary(doc);
    const QStringList after = pennaro::rtf::reread::summary(back);
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
