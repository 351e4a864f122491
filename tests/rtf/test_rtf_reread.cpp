// Inputs on which the fuzzer found that a document written and read back
// was not the document read (fuzz/reread.h says what is compared), cut
// down to what still showed it. Each must now come back the same, pasted
// as well as read whole.
#include "../../fuzz/reread.h"

#include "platform/rtf/docformat.h"
#include "platform/rtf/rtf.h"

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// The fuzzer's way of reading bytes that do not start as RTF.
QByteArray asRtf(QByteArray bytes) {
    if (!pennaro::rtf::looksLikeRtf(bytes))
        bytes.prepend("{\\rtf1 ");
    return bytes;
}

QString differences(const QStringList &read, const QStringList &reread, const QByteArray &written) {
    QString text;
    for (qsizetype i = 0; i < std::max(read.size(), reread.size()); ++i) {
        if (read.value(i) != reread.value(i))
            text += QStringLiteral("\nread:   %1\nreread: %2").arg(read.value(i), reread.value(i));
    }
    return text + QStringLiteral("\nwritten: ") + QString::fromLatin1(written);
}

}  // namespace

class TestRtfReread : public QObject {
    Q_OBJECT

private slots:
    void writtenAndReadBackTheSame_data() {
        QTest::addColumn<QByteArray>("input");
        // A \pict after other content of its group: the picture kept is
        // the \pict on, not the whole group (once the whole document).
        QTest::newRow("picture in the middle of its group") << QByteArray("{\\rtf1 A\\pict\\wmetafile8 0102}");
        QTest::newRow("picture cut off") << QByteArray("{\\rtf1 A{\\pict\\wmetafile8 0102");
        QTest::newRow("picture that says \\pict again") << QByteArray("\\pict\\u\\pict\\wmetafile");
        // The word a \\u in a picture had as its fallback is not kept.
        QTest::newRow("picture with a word as a fallback") << QByteArray("\\pict\\wmetafile\\u\\pn");
        QTest::newRow("picture in the middle of a field's result")
            << QByteArray("{\\rtf1 {\\field{\\*\\fldinst X}{\\fldrslt B\\pict\\emfblip 0102}}C\\par D}");
        // A SYMBOL field's character that text cannot hold shows nothing;
        // a field that says HYPERLINK and SYMBOL is what it says last; a
        // field opened inside another's result shows its symbol there, and
        // the outer field shows something.
        QTest::newRow("SYMBOL field of a control character") << QByteArray("\\field{\\fldinst SYMBOL 2}");
        QTest::newRow("SYMBOL field that was a link")
            << QByteArray("\\field{\\fldinst{HYPERLINK }r}{\\fldinst SYMBOL 216");
        QTest::newRow("SYMBOL field opened in a result") << QByteArray("\\field{\\fldrslt\\field{\\fldinst SYMBOL 216");
        QTest::newRow("SYMBOL field showing a picture, hidden")
            << QByteArray("\\v\\field{\\fldinst SYMBOL 82}{\\fldrslt{\\pict\\wmetafile");
        QTest::newRow("SYMBOL field opened in a link's result")
            << QByteArray("\\field{\\fldinst{HYPERLINK h}}{\\fldrslt\\field{\\fldinst SYMBOL 216");
        // \u and \uc that open a group in a shape or field, or stand in its
        // own group: the writer's fallback bytes for them are skipped.
        QTest::newRow("unicode opening a group in a shape") << QByteArray("{\\shp{\\u257}}e");
        QTest::newRow("unicode opening a group in a field") << QByteArray("{\\field{\\u257}}u");
        QTest::newRow("unicode in the shape's own group") << QByteArray("{\\shp\\u65292{\\u8857}}7");
        QTest::newRow("unicode in the field's own group") << QByteArray("{\\field\\u65292{\\u257}}6");
        // A control character in a font's name, read as a byte or as \u0.
        QTest::newRow("control character in the Symbol font's name")
            << QByteArray("{\\fonttbl{\\f2Sy\0mbol}}\\f2J", 26);
        // A symbol font's bytes in kept content, the font in force from
        // outside it: the copy names the font.
        QTest::newRow("Wingdings byte in a field part") << QByteArray("{{\\fonttbl\\f3Wingdings}\\f3\\field{\\'fa}}i");
        QTest::newRow("Symbol byte in an unknown destination")
            << QByteArray("{\\fonttbl{\\f1\\fcharset2 Symbol;}}A\\f1{\\*\\x \\'e8}B");
        // Control characters show nothing, and do not part a reference
        // mark from its note.
        QTest::newRow("NUL between a mark and its note") << QByteArray("{\\chftn}\0\\footnote", 18);
        QTest::newRow("symbol that shows nothing between a mark and its note") << QByteArray("\\chftn\\:\\footnote");
        // A tab in a spelled-out mark is written as \\tab: the mark goes on
        // through it when read back.
        QTest::newRow("tab in a spelled-out mark") << QByteArray("\\chftn\x99\t\\footnote N");
        QTest::newRow("mark spelled out as a tab and a dash") << QByteArray("\\chftn\t\\emdash\\footnote N");
        // A mark spelled out in a character the writer gives a longer
        // fallback (\\ucN before its \\u).
        QTest::newRow("spelled-out mark of a byte GBK lacks") << QByteArray("\\chftn\xea\\footnote");
        // What follows the brace that ends the document, there closing a
        // destination, is not read.
        QTest::newRow("note after a footer that ended the document") << QByteArray("\\chftn\\footer\xcc}{\\footnote");
        // \\sect in a table ends a paragraph, not a section: the notes'
        // numbers go on.
        QTest::newRow("section break in a table, notes restarting per section")
            << QByteArray("\\ftnrestart\\chftn{\\footnote}\\itap2\\sect\\chftn\\footnote");
        // A mark spelled out takes a number only with its note.
        QTest::newRow("spelled-out mark without its note") << QByteArray("\\chftn*\\chftn\\footnote");
        // A mark is its note's only when the note comes before anything
        // else is shown or kept: a font table's name, kept page settings.
        QTest::newRow("font table between a mark and a note") << QByteArray("{\\chftn\\fonttbl{}r}\\footnote");
        QTest::newRow("page setting between a mark and a note")
            << QByteArray("A{\\super\\chftn}{{\\fonttbl{\\f0 Arial;}}\\paperw11906\\footnote N}");
        QTest::newRow("endnote right after its mark")
            << QByteArray("A{\\super\\chftn}{\\footnote \\ftnalt E}B\\chftn\\footnote");
        // \\deff after the text: a Wingdings glyph's code read in another font.
        QTest::newRow("default font given after the text") << QByteArray("{\\fonttbl{\\f3Wingdings}}\\u-3913'\\deff3");
        // A font given again names what it named first: kept content
        // read before holds bytes in its code page.
        QTest::newRow("Symbol font given again as a Chinese one")
            << QByteArray("{\\fonttbl{\\f1 Symbol;}}{\\*\\g\\f1\\'c4}{\\fonttbl{\\f1\\fcharset134 SimSun;}}A");
        // A Big5 lead byte with no trail byte, first in a field's group:
        // the group stays a part, not the field's instruction.
        QTest::newRow("lone lead byte before a field instruction")
            << QByteArray("\\ansicpg950\\field{\xc9\\fldinst SYMBOL 216");
        // A lead byte with no trail byte shows as undefined: as a mark's
        // text it is still there when the mark is written back.
        QTest::newRow("lone lead byte as a spelled-out mark")
            << QByteArray("\\ansicpg936\\chftn\xf1{\\footnote}\\chftn\\footnote");
        // A field's own \\u: the character is parted from the word before it
        // (not \\fieldc), and the \\uc its fallback needs ends with it.
        QTest::newRow("letter right after a field's word") << QByteArray("\\field\\u99");
        QTest::newRow("wide fallback before a field's result") << QByteArray("\\field\\u25991{\\fldrslt\xff"
                                                                             "c");
        QTest::newRow("cell boundary inside a picture") << QByteArray("\\pict\\wmetafile\\cellx\\intbl");
        // A font table after some text: the text keeps the font it was
        // read in (a Symbol code read before the table said Symbol).
        QTest::newRow("Symbol font defined after its text") << QByteArray("\\f1\\u-3913{\\fonttbl\\f1Symbol");
        // What the document ends with after its last \sect stays after it.
        QTest::newRow("field after the last section break") << QByteArray("\\sect\\field");
        QTest::newRow("destination after the last section break") << QByteArray("\\sect\\pard\\*\\a");
        QTest::newRow("field after a paragraph's section break") << QByteArray("A\\sect{\\field{\\*\\fldinst P}}");
        // A field without braces of its own ends with the list label's
        // group it stands in: the label is closed when written too.
        QTest::newRow("field sharing a list label's group")
            << QByteArray("{{\\listtext\\field{\\fldrslt h}}\\ls5 x\\par 5}");
    }

    void writtenAndReadBackTheSame() {
        QFETCH(QByteArray, input);
        const QByteArray rtf = asRtf(input);
        QTextDocument doc;
        doc.setDefaultFont(pennaro::rtf::editorFont());
        QVERIFY(pennaro::rtf::readDocument(rtf, &doc).ok);
        const QByteArray written = pennaro::rtf::writeDocument(&doc);
        QTextDocument back;
        back.setDefaultFont(pennaro::rtf::editorFont());
        QVERIFY(pennaro::rtf::readDocument(written, &back).ok);
        const QStringList read = pennaro::rtf::reread::summary(doc);
        const QStringList reread = pennaro::rtf::reread::summary(back);
        QVERIFY2(read == reread, qPrintable(differences(read, reread, written)));

        // Pasted into text, the same input is as safe.
        QTextDocument host;
        QTextCursor cursor(&host);
        cursor.insertText(QStringLiteral("before after"));
        cursor.setPosition(7);
        QVERIFY(pennaro::rtf::insertRtf(rtf, cursor).ok);
        QVERIFY(pennaro::rtf::readDocument(pennaro::rtf::writeDocument(&host), &back).ok);
        QCOMPARE(back.toPlainText(), host.toPlainText());
    }
};

QTEST_MAIN(TestRtfReread)
#include "test_rtf_reread.moc"
