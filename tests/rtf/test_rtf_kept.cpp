// Content kept without being shown, or shown only in part, grouped by kind:
// what the editor shows of it, what the writer writes back, and how it
// moves and goes with the text around it. (What another word processor
// reads from our output is test_rtf_libreoffice's business.)
#include "box_fixture.h"

#include "platform/richtextbox.h"
#include "platform/rtf/docformat.h"
#include "platform/rtf/kept.h"
#include "platform/rtf/rtf.h"

#include <QHelpEvent>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QToolTip>
#include <QWidget>

#include <memory>

using namespace pennaro;

namespace {

std::unique_ptr<QTextDocument> load(const QByteArray &rtf) {
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(rtf::editorFont());
    rtf::readDocument(rtf, doc.get());
    return doc;
}

// The output without the line breaks, which readers ignore.
QByteArray flat(QByteArray rtf) { return rtf.replace("\r\n", ""); }

QByteArray saved(const QTextDocument &doc) { return flat(rtf::writeDocument(&doc)); }

// Where each needle is in the haystack, -1 when missing: for checking order.
QList<qsizetype> positions(const QByteArray &haystack, const QList<QByteArray> &needles) {
    QList<qsizetype> at;
    for (const QByteArray &needle : needles)
        at << haystack.indexOf(needle);
    return at;
}

bool ascending(const QList<qsizetype> &at) {
    for (qsizetype i = 0; i < at.size(); ++i) {
        if (at[i] < 0 || (i > 0 && at[i] <= at[i - 1]))
            return false;
    }
    return true;
}

// The font table entry with this number, as "name;charset".
QString fontEntry(const QByteArray &rtf, int number) {
    const QRegularExpression re(QStringLiteral("\\{\\\\f%1\\\\fnil\\\\fcharset(\\d+) ([^;]*);\\}").arg(number));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(rtf));
    return m.hasMatch() ? m.captured(2) + u';' + m.captured(1) : QString();
}

// The colour table entry with this number, as "r,g,b".
QString colourEntry(const QByteArray &rtf, int number) {
    const qsizetype start = rtf.indexOf("{\\colortbl;");
    const QList<QByteArray> entries = rtf.mid(start + 11, rtf.indexOf('}', start) - start - 11).split(';');
    if (number < 1 || number > entries.size())
        return {};
    const QRegularExpression re(QStringLiteral("\\\\red(\\d+)\\\\green(\\d+)\\\\blue(\\d+)"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(entries[number - 1]));
    return m.captured(1) + u',' + m.captured(2) + u',' + m.captured(3);
}

int number(const QByteArray &rtf, const QByteArray &before, const QByteArray &word) {
    const qsizetype at = rtf.indexOf(word, rtf.indexOf(before));
    if (at < 0)
        return -1;
    qsizetype end = at + word.size();
    while (end < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[end])))
        ++end;
    return rtf.mid(at + word.size(), end - at - word.size()).toInt();
}

int find(const RichTextBox *box, const QString &text) { return int(box->Text().indexOf(text)); }

// A Word-style document with a bit of everything that is kept.
const QByteArray kReport =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
    "{\\f1\\fswiss\\fcharset0 Arial;}{\\f3\\froman\\fcharset2 Symbol;}}"
    "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}"
    "{\\stylesheet{\\ql\\f0\\fs24 Normal;}{\\s1\\sb240\\b\\f1\\fs32 heading 1;}{\\*\\cs15\\super footnote reference;}}"
    "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext\\'01\\u-3913 ?;}{\\levelnumbers;}"
    "\\f3\\fi-360\\li720}\\listid7}}{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}}"
    "{\\*\\generator Microsoft Word;}{\\info{\\title Quarterly Report}{\\author Jane Doe}}"
    "\\paperw16838\\paperh11906\\margl1440\\margr1440\\margt1800\\margb1800\\landscape\\widowctrl\\ftnbj"
    "\\sectd\\titlepg{\\header\\pard\\plain\\f1\\cf2 Running head\\par}{\\footerf\\pard\\plain First footer\\par}"
    "\\pard\\plain\\s1\\f1\\fs32\\b {\\*\\bkmkstart intro}Overview{\\*\\bkmkend intro}\\par"
    "\\pard\\plain\\f0\\fs24 Sales rose{\\cs15\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Up on 2023.}"
    " in {\\field{\\*\\fldinst  DATE }{\\fldrslt March}}{\\*\\atnauthor Jane}\\chatn{\\*\\annotation Check this.}"
    "{\\*\\acmeextension secret}.\\par"
    "\\pard\\plain\\ls1\\fi-360\\li720{\\listtext\\pard\\plain\\f3 \\'b7\\tab}North\\par"
    "\\pard\\plain Last of the first section.\\sect\\sectd\\pgwsxn11906\\pghsxn16838{\\header Appendix head\\par}"
    "\\pard\\plain Appendix.\\par}";

}  // namespace

class TestRtfKept : public QObject {
    Q_OBJECT

private slots:
    // The header tables and the document's settings are not shown; they go
    // back in their place in the header, the first section's with them, and
    // a second save writes the same file.
    void documentLevelContent() {
        auto doc = load(kReport);
        QCOMPARE(doc->toPlainText(), QString::fromUtf8("Overview\nSales rose1 in March.\n•\tNorth\n"
                                                       "Last of the first section.\nAppendix."));
        const QByteArray out = saved(*doc);
        QVERIFY2(ascending(positions(out, {"{\\fonttbl", "{\\colortbl", "{\\*\\generator Pennaro;}", "{\\stylesheet",
                                           "{\\*\\listtable", "{\\*\\listoverridetable", "{\\info",
                                           "\\paperw16838\\paperh11906", "\\landscape", "\\sectd\\titlepg", "{\\header",
                                           "{\\footerf", "\\viewkind4"})),
                 out.constData());
        QCOMPARE(out.count("{\\*\\generator"), 1);
        QVERIFY(out.contains("{\\info{\\title Quarterly Report}{\\author Jane Doe}}"));
        QCOMPARE(rtf::writeDocument(load(rtf::writeDocument(doc.get())).get()), rtf::writeDocument(doc.get()));

        // The page it was laid out for, as printing uses it.
        const QPageLayout page = rtf::documentPageLayout(doc.get());
        QVERIFY(page.isValid());
        QCOMPARE(page.orientation(), QPageLayout::Landscape);
        QCOMPARE(page.pageSize().id(), QPageSize::A4);
        QCOMPARE(page.margins(QPageLayout::Point), QMarginsF(72, 90, 72, 90));
        QVERIFY(!rtf::documentPageLayout(load("{\\rtf1 plain}").get()).isValid());
        // Replacing the whole document drops it all.
        doc->setPlainText(QStringLiteral("new"));
        QVERIFY(!saved(*doc).contains("{\\stylesheet"));
    }

    // Paragraph styles, character styles and list membership are written
    // back as numbers of the stylesheet and list tables written with them;
    // a list label shows and goes back as a label.
    void stylesAndLists() {
        auto doc = load(kReport);
        const QByteArray out = saved(*doc);
        QVERIFY(out.contains("\\pard\\plain\\s1"));
        QVERIFY(out.contains("\\super\\cs15\\chftn"));
        QVERIFY(out.contains("\\pard\\plain\\ls1\\ilvl0"));
        QVERIFY(out.contains("{\\listtext{"));
        QCOMPARE(out.count("{\\listtext"), 1);
        // A label out of its list (the list dropped by a paste) is text.
        QTextDocument host;
        QTextCursor cursor(&host);
        rtf::insertRtf("{\\rtf1{\\stylesheet{\\s1 h;}}\\pard\\s1\\ls1{\\listtext\\bullet\\tab}Item\\par}", cursor);
        const QByteArray pasted = saved(host);
        QVERIFY(!pasted.contains("{\\listtext"));
        QVERIFY(!pasted.contains("\\s1"));
        QVERIFY(!pasted.contains("\\ls1"));
        QCOMPARE(host.toPlainText(), QString::fromUtf8("•\tItem"));
    }

    // A footnote's automatic mark shows; its text is a tooltip and goes
    // back after a \chftn in place of the mark. An endnote likewise; a
    // comment is kept where it stood with its author.
    void notesAndComments() {
        auto doc = load("{\\rtf1 Text{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} The note.}"
                        " more{\\super\\chftn}{\\footnote\\ftnalt\\pard The endnote.} own*{\\footnote\\pard Own mark.}"
                        " and{\\*\\atnid J}{\\*\\atnauthor Jane}\\chatn{\\*\\annotation\\pard Check it.}.\\par}");
        QCOMPARE(doc->toPlainText(), QStringLiteral("Text1 morei own* and."));
        QCOMPARE(rtf::notesAt(doc.get(), 4), QStringLiteral("The note."));
        QCOMPARE(rtf::notesAt(doc.get(), 10), QStringLiteral("The endnote."));
        QCOMPARE(rtf::notesAt(doc.get(), 15), QStringLiteral("Own mark."));
        QCOMPARE(rtf::notesAt(doc.get(), 19), QStringLiteral("Jane: Check it."));
        QCOMPARE(rtf::notesAt(doc.get(), 0), QString());
        const QByteArray out = saved(*doc);
        QVERIFY2(out.contains("\\super\\chftn }{\\footnote\\pard{\\super\\chftn} The note.}"), out.constData());
        QVERIFY(out.contains("\\chftn }{\\footnote\\ftnalt\\pard The endnote.}"));
        QVERIFY(out.contains("*}{\\footnote\\pard Own mark.}"));
        QVERIFY(out.contains("{\\*\\atnid J}{\\*\\atnauthor Jane}\\chatn{\\*\\annotation\\pard Check it.}{"));
        QVERIFY(!out.contains(" 1}"));  // the mark is \chftn, not text
        auto back = load(rtf::writeDocument(doc.get()));
        QCOMPARE(back->toPlainText(), doc->toPlainText());
        QCOMPARE(rtf::notesAt(back.get(), 4), QStringLiteral("The note."));

        // A mark spelled out after \chftn is the note's, and goes back
        // after it, in its group.
        auto given = load("{\\rtf1 a{\\super\\chftn *}{\\footnote y} b\\chftn{\\footnote z}\\par}");
        QCOMPARE(given->toPlainText(), QStringLiteral("a* b2"));
        QCOMPARE(rtf::notesAt(given.get(), 1), QStringLiteral("y"));
        QVERIFY2(saved(*given).contains("\\super\\chftn *}{\\footnote y}"), saved(*given).constData());
        QCOMPARE(load(rtf::writeDocument(given.get()))->toPlainText(), QStringLiteral("a* b2"));
    }

    // Fields other than hyperlinks show their result and keep their
    // instruction; so do objects and shapes, whose results stay inside the
    // paragraph. With nothing to show they are kept whole.
    void fieldsObjectsAndShapes() {
        auto doc =
            load("{\\rtf1 Page {\\field\\flddirty{\\*\\fldinst  PAGE }{\\fldrslt 7}} of"
                 "{\\field{\\*\\fldinst NUMPAGES}{\\fldrslt }}.\\par"
                 "{\\field{\\*\\fldinst TOC \\\\o}{\\fldrslt First\\tab 1\\par Second\\tab 2}}\\par "
                 "Obj {\\object\\objemb\\objw100{\\*\\objclass Excel.Sheet.8}{\\*\\objdata 0102}"
                 "{\\result Result\\par text}} and {\\shp{\\*\\shpinst\\shpleft0{\\sp{\\sn fillColor}{\\sv 255}}}"
                 "{\\shprslt\\par\\pard Box\\par}}.\\par}");
        QCOMPARE(doc->toPlainText(), QStringLiteral("Page 7 of.\nFirst\t1\nSecond\t2\nObj Resulttext and Box."));
        const QByteArray out = saved(*doc);
        QVERIFY2(out.contains("{\\field\\flddirty{\\*\\fldinst  PAGE }{\\fldrslt {"), out.constData());
        QVERIFY(out.contains("{\\field{\\*\\fldinst NUMPAGES}{\\fldrslt}}"));
        // The table of contents: one field around both its paragraphs.
        QCOMPARE(out.count("TOC"), 1);
        QVERIFY(out.indexOf("Second") < out.indexOf("}}", out.indexOf("TOC")) + 2 ||
                out.indexOf("}}", out.indexOf("Second")) > 0);
        QVERIFY(out.contains("{\\object\\objemb\\objw100{\\*\\objclass Excel.Sheet.8}{\\*\\objdata 0102}{\\result {"));
        QVERIFY(out.contains("{\\shp{\\*\\shpinst\\shpleft0{\\sp{\\sn fillColor}{\\sv 255}}}{\\shprslt {"));
        auto back = load(rtf::writeDocument(doc.get()));
        QCOMPARE(back->toPlainText(), doc->toPlainText());
        QCOMPARE(saved(*back), out);

        // Text typed right after a field's result stays outside the field.
        QTextCursor c(doc.get());
        c.setPosition(6);
        c.insertText(QStringLiteral("!"));
        QVERIFY(saved(*doc).contains("7}}}{\\f"));
        QVERIFY(saved(*doc).contains("!"));
    }

    // Bookmarks, index entries and unknown destinations stay where they
    // stood, one item per gap.
    void gapsStayInPlace() {
        auto doc = load("{\\rtf1 {\\*\\bkmkstart b1}Word{\\*\\bkmkend b1} two{\\xe{\\v index}}"
                        "{\\*\\unknownthing data{\\b x}}.\\par}");
        QCOMPARE(doc->toPlainText(), QStringLiteral("Word two."));
        const std::vector<rtf::PlacedItem> placed = rtf::placeKeptContent(doc.get());
        QCOMPARE(placed.size(), size_t(3));
        QCOMPARE(placed[0].position, 0);
        QCOMPARE(placed[1].position, 4);
        QCOMPARE(placed[2].position, 8);
        const QByteArray out = saved(*doc);
        QVERIFY2(out.contains("{\\*\\bkmkstart b1}{"), out.constData());
        QVERIFY(out.contains("Word}{\\*\\bkmkend b1}"));
        QVERIFY(out.contains(" two}{\\xe{\\v index}}{\\*\\unknownthing data{\\b x}}{"));
    }

    // A metafile shows as a placeholder of its size; its bytes go back as
    // they came, in place of the placeholder.
    void picturesQtCannotDraw() {
        const QByteArray wmf = "{\\pict\\wmetafile8\\picw2000\\pich1000\\picwgoal1500\\pichgoal750 0102030405060708}";
        auto doc = load("{\\rtf1 a" + wmf + "b\\par}");
        QCOMPARE(doc->toPlainText(), QString("a\uFFFCb"));
        QTextCursor c(doc.get());
        c.setPosition(2);
        QVERIFY(c.charFormat().isImageFormat());
        const QTextImageFormat image = c.charFormat().toImageFormat();
        QCOMPARE(image.width(), 100.0);
        QCOMPARE(image.height(), 50.0);
        const QImage shown = doc->resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
        QVERIFY(!shown.isNull());
        const QByteArray out = saved(*doc);
        QVERIFY2(out.contains(wmf), out.constData());
        QVERIFY(!out.contains("\\pngblip"));
        // A \bin picture goes back as hex.
        auto binary = load("{\\rtf1{\\pict\\emfblip\\bin4 \x01\x02\x03\x04}}");
        QVERIFY(saved(*binary).contains("{\\pict\\emfblip 01020304}"));
    }

    // Kept content refers to fonts and colours by the file's numbers; the
    // writer numbers its tables its own way, so the references are mapped,
    // and text in another code page is written as Unicode with a fallback.
    void numbersMappedIntoTheWritersTables() {
        auto doc = load("{\\rtf1\\ansi\\ansicpg936\\deff2{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                        "{\\f1\\fnil\\fcharset134 SimSun;}{\\f2\\froman\\fcharset0 Times New Roman;}"
                        "{\\f5\\fnil\\fcharset204 Courier Cyr;}}"
                        "{\\colortbl;\\red0\\green128\\blue0;\\red255\\green0\\blue0;}"
                        "{\\header\\pard\\plain\\f1\\cf2 \\'d2\\'b3\\'c3\\'bc\\f5  \\'cf\\par}"
                        "\\pard\\plain\\f0\\cf1 Body{\\*\\bkmkstart {\\f1\\cf2 \\'d2\\'b3}}\\par}");
        const QByteArray out = saved(*doc);
        // The body's colour is the writer's first, so red moves from 2 to 2
        // or elsewhere; what matters is what the numbers name.
        const int headerFont = number(out, "{\\header", "\\f");
        QCOMPARE(fontEntry(out, headerFont), QStringLiteral("SimSun;134"));
        QCOMPARE(colourEntry(out, number(out, "{\\header", "\\cf")), QStringLiteral("255,0,0"));
        const int cyrillic = number(out, "\\'bc", "\\f");
        QCOMPARE(fontEntry(out, cyrillic), QStringLiteral("Courier;204"));
        // GBK text as Unicode with GBK fallbacks (页眉); the Cyrillic letter
        // with its cp1251 byte.
        QVERIFY2(out.contains("\\u-26507\\'d2\\'b3\\u30473\\'c3\\'bc"), out.constData());
        QVERIFY(out.contains("\\u1055\\'cf"));
        QCOMPARE(fontEntry(out, number(out, "\\bkmkstart{", "\\f")), QStringLiteral("SimSun;134"));
        // The file's default font stays the default for kept content that
        // names none.
        QCOMPARE(fontEntry(out, number(out, "{\\rtf1", "\\deff")), QStringLiteral("Times New Roman;0"));
    }

    // A section break keeps the next section's settings and headers. Like
    // other kept content at a paragraph's end, it is carried by the
    // paragraph's last character and its mark: either may go alone (the
    // break then ends the paragraph it is left in), both together take it.
    void sectionBreaks() {
        rtf::test::BoxFixture f;
        RichTextBox *box = f.box();
        QVERIFY(f.load(kReport));
        const QString first = QStringLiteral("Last of the first section.");
        const QByteArray sect = "\\sect\\sectd\\pgwsxn11906\\pghsxn16838{\\header Appendix head\\par}";
        auto out = [&] { return flat(rtf::writeDocument(box->document())); };
        QVERIFY(out().contains(".}" + sect));
        f.select(find(box, first) + int(first.size()) - 1, 1);
        box->setSelText(QString());
        QVERIFY(out().contains("section}" + sect));
        box->Undo();
        f.select(find(box, first) + int(first.size()), 1);
        box->setSelText(QString());
        QVERIFY2(out().contains("Appendix.}" + sect), out().constData());
        box->Undo();
        f.select(find(box, first) + int(first.size()) - 1, 2);
        box->setSelText(QString());
        QVERIFY(!out().contains(sect));
        QVERIFY(out().contains("sectionAppendix.}\\par"));
        box->Undo();
        QVERIFY(out().contains(".}" + sect));
    }

    // Objects move and go with the text through the editing control:
    // deleting a footnote's mark deletes the note, undo brings it back; an
    // edit elsewhere (a paragraph deleted, text typed into another) keeps
    // every note, field, comment and bookmark.
    void editingKeepsOrDeletesObjects() {
        rtf::test::BoxFixture f;
        RichTextBox *box = f.box();
        QVERIFY(f.load(kReport));
        const QByteArray before = flat(rtf::writeDocument(box->document()));
        const int mark = find(box, QStringLiteral("rose1")) + 4;
        f.select(mark, 1);
        QCOMPARE(box->SelText(), QStringLiteral("1"));
        box->setSelText(QString());
        QByteArray out = flat(rtf::writeDocument(box->document()));
        QVERIFY(!out.contains("{\\footnote"));
        QVERIFY(!out.contains("Up on 2023"));
        box->Undo();
        QCOMPARE(flat(rtf::writeDocument(box->document())), before);

        // Deleting a whole paragraph without objects and typing into another.
        const int north = find(box, QStringLiteral("North"));
        f.select(find(box, QStringLiteral("Last of")), int(QStringLiteral("Last of the first section.").size()));
        box->setSelText(QString());
        box->widget()->setFocus();
        f.select(north + 5, 0);
        QTest::keyClicks(box->widget(), QStringLiteral(" region"));
        out = flat(rtf::writeDocument(box->document()));
        for (const QByteArray &kept :
             {QByteArray("{\\footnote\\pard\\plain{\\super\\chftn} Up on 2023.}"), QByteArray("{\\*\\fldinst  DATE }"),
              QByteArray("{\\*\\annotation Check this.}"), QByteArray("{\\*\\bkmkstart intro}"),
              QByteArray("{\\*\\acmeextension secret}"), QByteArray("{\\header\\pard\\plain\\f"),
              QByteArray("{\\*\\listtable"), QByteArray("North region"), QByteArray("{\\header Appendix head\\par}")})
            QVERIFY2(out.contains(kept), kept.constData());
        QVERIFY(!out.contains("Last of"));
    }

    // Pasted RTF brings its objects along; its styles and lists, which
    // belong to another file's tables, stay behind.
    void pastingKeepsObjects() {
        rtf::test::BoxFixture f;
        RichTextBox *box = f.box();
        box->setText(QStringLiteral("xy"));
        f.select(1, 0);
        box->setSelRTF(QStringLiteral("{\\rtf1{\\stylesheet{\\s3 Quote;}}\\pard\\s3 A{\\super\\chftn}{\\footnote "
                                      "\\pard Pasted note.} {\\field{\\*\\fldinst PAGE}{\\fldrslt 4}}"
                                      "{\\*\\bkmkstart p}B}"));
        QCOMPARE(box->Text(), QStringLiteral("xA1 4By"));
        const QByteArray out = flat(rtf::writeDocument(box->document()));
        QVERIFY2(out.contains("\\chftn }{\\footnote\\pard Pasted note.}"), out.constData());
        QVERIFY(out.contains("{\\field{\\*\\fldinst PAGE}{\\fldrslt {"));
        QVERIFY(out.contains("{\\*\\bkmkstart p}"));
        QVERIFY(!out.contains("\\s3"));
        QVERIFY(!out.contains("{\\stylesheet"));
        QCOMPARE(rtf::notesAt(box->document(), 2), QStringLiteral("Pasted note."));
        box->Undo();
        QCOMPARE(box->Text(), QStringLiteral("xy"));
        QVERIFY(!flat(rtf::writeDocument(box->document())).contains("footnote"));
    }

    // The note shows as a tooltip over its mark in the editing area.
    void tooltipOverTheMark() {
        rtf::test::BoxFixture f;
        RichTextBox *box = f.box();
        QWidget *window = f.window();
        window->resize(600, 400);
        box->Move(0, 0, 600 * 15, 400 * 15);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(f.load(kReport));
        QTextCursor c(box->document());
        c.setPosition(find(box, QStringLiteral("rose1")) + 4);
        const QRect left = box->widget()->cursorRect(c);
        c.movePosition(QTextCursor::NextCharacter);
        const QRect right = box->widget()->cursorRect(c);
        const QPoint over((left.left() + right.left()) / 2, left.center().y());
        QWidget *viewport = box->widget()->viewport();
        QHelpEvent help(QEvent::ToolTip, over, viewport->mapToGlobal(over));
        QCoreApplication::sendEvent(viewport, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Up on 2023."));
        QHelpEvent away(QEvent::ToolTip, QPoint(2, 2), viewport->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(viewport, &away);
        QTRY_VERIFY(!QToolTip::isVisible());
    }
};

QTEST_MAIN(TestRtfKept)
#include "test_rtf_kept.moc"
