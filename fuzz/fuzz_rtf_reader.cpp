// Feeds arbitrary bytes to the RTF reader, both as a whole document and as
// content pasted into the middle of existing text, and reads the result
// back out, kept content included, and writes it. QTextDocument needs no application object as long as nothing
// asks it for a layout.
#include "platform/rtf/kept.h"
#include "platform/rtf/rtf.h"

#include <QByteArray>
#include <QTextCursor>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

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
    (void)doc.toPlainText();
    (void)pennaro::rtf::placeKeptContent(&doc);
    (void)pennaro::rtf::writeDocument(&doc);

    QTextDocument host;
    QTextCursor cursor(&host);
    cursor.insertText(QStringLiteral("before after"));
    cursor.setPosition(7);
    pennaro::rtf::insertRtf(bytes, cursor);
    (void)host.toPlainText();
    (void)pennaro::rtf::placeKeptContent(&host);
    return 0;
}
