// The RTF reader on hand-written snippets: syntax, code pages, destinations,
// properties, structure, and input meant to hurt it.
#include "platform/rtf/docformat.h"
#include "platform/rtf/rtf.h"

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <functional>
#include <memory>

using namespace pennaro::rtf;

namespace {

std::unique_ptr<QTextDocument> load(const QByteArray &rtf, ReadResult *result = nullptr) {
    auto doc = std::make_unique<QTextDocument>();
    const ReadResult r = readDocument(rtf, doc.get());
    if (result)
        *result = r;
    return doc;
}

QString textOf(const QByteArray &rtf) { return load(rtf)->toPlainText(); }

// Format of the first character of the first occurrence of needle.
QTextCharFormat formatOf(const QTextDocument &doc, const QString &needle) {
    const QTextCursor found = doc.find(needle);
    if (found.isNull())
        return QTextCharFormat();
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

QTextBlockFormat blockOf(const QTextDocument &doc, const QString &needle) {
    const QTextCursor found = doc.find(needle);
    return found.isNull() ? QTextBlockFormat() : found.block().blockFormat();
}

// Number of text fragments (runs of one format) in the document.
int fragmentCount(const QTextDocument &doc) {
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            ++n;
    return n;
}

QByteArray pngBytes() {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

}  // namespace

class TestRtfReader : public QObject {
    Q_OBJECT

private slots:
    void syntax_data();
    void syntax();
    void unicodeEscapes_data();
    void unicodeEscapes();
    void codepages_data();
    void codepages();
    void fontNamesInTheirCharset();
    void destinationsKeptOutOfBody_data();
    void destinationsKeptOutOfBody();
    void colourTable();
    void characterProperties();
    void plainResetsToDefaultFont();
    void doubleByteAssociatedProperties();
    void fontFollowsEachCharactersScript();
    void fontCopiesPerCharset();
    void stylesAddNothing();
    void symbolFonts();
    void footnoteNumbering_data();
    void footnoteNumbering();
    void paragraphProperties();
    void hyperlinks();
    void pictures();
    void tables();
    void nestedTables();
    void buildsRunsWithoutUndo();
    void notRtfLeavesDocumentAlone();
    void damagedInputKeepsWhatWasRead_data();
    void damagedInputKeepsWhatWasRead();
    void hostileInput_data();
    void hostileInput();
    void deepNestingKeepsGroups();
    void insertAtCursor();
};

// ---------------------------------------------------------------------------
// Syntax

void TestRtfReader::syntax_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("one space ends a control word") << QByteArray("{\\rtf1 \\b  two\\b0 x}") << " twox";
    QTest::newRow("digits and minus end at a letter") << QByteArray("{\\rtf1\\li-720abc}") << "abc";
    QTest::newRow("non-letter ends a word, kept") << QByteArray("{\\rtf1\\b;x}") << ";x";
    QTest::newRow("CR and LF are ignored") << QByteArray("{\\rtf1 a\r\nb\nc\rd}") << "abcd";
    QTest::newRow("backslash newline is a paragraph") << QByteArray("{\\rtf1 a\\\nb\\\r\nc}") << "a\nb\nc";
    QTest::newRow("escaped specials") << QByteArray("{\\rtf1 \\{a\\}\\\\}") << "{a}\\";
    QTest::newRow("hex escape") << QByteArray("{\\rtf1 caf\\'e9\\'E9}") << QString::fromUtf8("café\u00e9");
    QTest::newRow("unknown words ignored") << QByteArray("{\\rtf1 \\foo12 a\\bar b}") << "ab";
    QTest::newRow("unknown starred group skipped") << QByteArray("{\\rtf1 a{\\*\\foo {b}c}d}") << "ad";
    QTest::newRow("star on a known destination") << QByteArray("{\\rtf1 a{\\*\\shppict b}c}") << "abc";
    QTest::newRow("bin data skipped") << QByteArray("{\\rtf1 a\\bin3 }{\\b}") << "ab";
    QTest::newRow("bin data inside skipped group") << QByteArray("{\\rtf1 a{\\*\\x\\bin2 }}b}c}") << "ac";
    QTest::newRow("text after the closing brace ignored") << QByteArray("{\\rtf1 a}b") << "a";
    QTest::newRow("leading white space accepted") << QByteArray(" \r\n{\\rtf1 a}") << "a";
    QTest::newRow("tab, line, page") << QByteArray("{\\rtf1 a\\tab b\\line c\\page d}") << "a\tb\nc\nd";
    QTest::newRow("last par ends the last paragraph") << QByteArray("{\\rtf1 a\\par b\\par}") << "a\nb";
    QTest::newRow("empty paragraphs kept") << QByteArray("{\\rtf1 a\\par\\par b}") << "a\n\nb";
    QTest::newRow("symbols") << QByteArray(
                                    "{\\rtf1 \\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet\\~\\-\\_}")
                             << QString::fromUtf8("—–‘’“”•\u00a0\u00ad\u2011").replace(QChar(0xa0), u' ');
}

void TestRtfReader::syntax() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    ReadResult r;
    auto doc = load(rtf, &r);
    QVERIFY(r.ok);
    QCOMPARE(doc->toPlainText(), text);
}

void TestRtfReader::unicodeEscapes_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("default uc1 skips one") << QByteArray("{\\rtf1 \\u20013?x}") << QString::fromUtf8("中x");
    QTest::newRow("negative value") << QByteArray("{\\rtf1 \\u-3913?}") << QString(QChar(0xf0b7));
    QTest::newRow("uc2 skips two hex escapes")
        << QByteArray("{\\rtf1\\ansicpg936\\uc2\\u20013\\'d6\\'d0x}") << QString::fromUtf8("中x");
    QTest::newRow("skip takes part of a chain of hex escapes")
        << QByteArray("{\\rtf1\\ansicpg936\\u945\\'41\\'d6\\'d0}") << QString::fromUtf8("α中");
    QTest::newRow("uc0 skips nothing") << QByteArray("{\\rtf1\\uc0\\u65 B}") << "AB";
    QTest::newRow("uc is scoped to its group")
        << QByteArray("{\\rtf1 {\\uc2\\u945 ab}\\u946 cd}") << QString::fromUtf8("αβd");
    QTest::newRow("skip counts a control word as one")
        << QByteArray("{\\rtf1\\uc2\\u945\\b\\'41x}") << QString::fromUtf8("αx");
    QTest::newRow("skip ends at a group boundary")
        << QByteArray("{\\rtf1\\uc3\\u945 a{b}c}") << QString::fromUtf8("αbc");
    QTest::newRow("surrogate pair across two escapes")
        << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << QString::fromUtf8("😀");
    QTest::newRow("lone high surrogate") << QByteArray("{\\rtf1 \\u55357?x}") << QString::fromUtf8("\uFFFDx");
    QTest::newRow("lone low surrogate") << QByteArray("{\\rtf1 a\\u56832?}") << QString::fromUtf8("a\uFFFD");
    QTest::newRow("high then high") << QByteArray("{\\rtf1 \\u55357?\\u55357?\\u56832?}")
                                    << QString::fromUtf8("\uFFFD😀");
    QTest::newRow("out of range") << QByteArray("{\\rtf1 \\u99999999?}") << QString::fromUtf8("\uFFFD");
}

void TestRtfReader::unicodeEscapes() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

void TestRtfReader::codepages_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("ansi is 1252") << QByteArray("{\\rtf1\\ansi \\'80\\'93}") << QString::fromUtf8("€“");
    QTest::newRow("mac") << QByteArray("{\\rtf1\\mac \\'8e}") << QString::fromUtf8("é");
    QTest::newRow("pc") << QByteArray("{\\rtf1\\pc \\'82}") << QString::fromUtf8("é");
    QTest::newRow("pca") << QByteArray("{\\rtf1\\pca \\'9d}") << QString::fromUtf8("Ø");
    QTest::newRow("GBK by ansicpg") << QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}")
                                    << QString::fromUtf8("中文");
    QTest::newRow("GBK by fcharset") << QByteArray(
                                            "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 \\'d6\\'d0}")
                                     << QString::fromUtf8("中");
    QTest::newRow("GBK trail as a letter") << QByteArray("{\\rtf1\\ansicpg936 \\'b0a}") << QString::fromUtf8("癮");
    QTest::newRow("GBK trail as escaped backslash")
        << QByteArray("{\\rtf1\\ansicpg936 \\'b0\\\\x}") << QString::fromUtf8("癨x");
    QTest::newRow("Big5") << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset136 MingLiU;}}\\f1 \\'a4\\'a4\\'a4\\'e5}")
                          << QString::fromUtf8("中文");
    QTest::newRow("Big5 trail as escaped backslash")
        << QByteArray("{\\rtf1\\ansicpg950 \\'a5\\\\\\'b3\\'5c}") << QString::fromUtf8("功許");
    QTest::newRow("Big5 trail as escaped brace")
        << QByteArray("{\\rtf1\\ansicpg950 \\'a4\\{}") << QString::fromUtf8("廾");
    QTest::newRow("Shift-JIS") << QByteArray(
                                      "{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 \\'93\\'fa\\'96\\'7b}")
                               << QString::fromUtf8("日本");
    QTest::newRow("Shift-JIS trail as bare brace")
        << QByteArray("{\\rtf1\\ansicpg932 \\'81{\\'81}x}") << QString::fromUtf8("＋±x");
    QTest::newRow("Shift-JIS trail as escaped brace and backslash")
        << QByteArray("{\\rtf1\\ansicpg932 \\'81\\{\\'83\\\\}") << QString::fromUtf8("＋ソ");
    QTest::newRow("Korean 949") << QByteArray("{\\rtf1\\ansicpg949 \\'c7\\'d1\\'b1\\'b9}") << QString::fromUtf8("한국");
    QTest::newRow("Korean by fcharset129")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset129 Batang;}}\\f0 \\'c7\\'d1}") << QString::fromUtf8("한");
    QTest::newRow("Cyrillic 1251")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}")
        << QString::fromUtf8("Привет");
    QTest::newRow("Greek 1253") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset161 Arial;}}\\f0 \\'e1\\'e2\\'e3}")
                                << QString::fromUtf8("αβγ");
    QTest::newRow("cpg wins over fcharset")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0\\cpg1251 Arial;}}\\f0 \\'e0}") << QString::fromUtf8("а");
    QTest::newRow("font charset wins over document")
        << QByteArray("{\\rtf1\\ansicpg936{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset134 SimSun;}}"
                      "\\f0 caf\\'e9 \\f1\\'d6\\'d0}")
        << QString::fromUtf8("café 中");
    QTest::newRow("default charset follows document")
        << QByteArray("{\\rtf1\\ansicpg1251{\\fonttbl{\\f0\\fcharset1 X;}}\\f0\\'e0}") << QString::fromUtf8("а");
    QTest::newRow("deff gives the code page of plain text")
        << QByteArray("{\\rtf1\\deff1{\\fonttbl{\\f1\\fcharset161 Arial;}}\\'e1}") << QString::fromUtf8("α");
    // Old Mac files: \mac or \ansicpg100xx for the document, \fcharset77-89
    // for a font.
    QTest::newRow("Mac Japanese by ansicpg")
        << QByteArray("{\\rtf1\\mac\\ansicpg10001 \\'93\\'fa\\'96\\'7b\\'8c\\'ea}") << QString::fromUtf8("日本語");
    QTest::newRow("Mac Japanese by fcharset78")
        << QByteArray("{\\rtf1\\ansi\\ansicpg10001{\\fonttbl{\\f0\\fcharset78 Osaka;}}\\f0 \\'93\\'fa \\'b2}")
        << QString::fromUtf8("日 ｲ");
    QTest::newRow("Mac Simplified Chinese by fcharset80")
        << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f0\\fcharset80 STSong;}}\\f0 \\'d6\\'d0\\'ce\\'c4}")
        << QString::fromUtf8("中文");
    QTest::newRow("Mac Traditional Chinese by fcharset81")
        << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f0\\fcharset81 LiSong Pro;}}\\f0 \\'a4\\'a4\\'a4\\'e5}")
        << QString::fromUtf8("中文");
    QTest::newRow("Mac Korean by ansicpg")
        << QByteArray("{\\rtf1\\mac\\ansicpg10003 \\'c7\\'d1\\'b1\\'b9}") << QString::fromUtf8("한국");
    QTest::newRow("Mac Cyrillic by fcharset89")
        << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f0\\fcharset89 Charcoal CY;}}\\f0 \\'8f\\'f0\\'e8\\'e2\\'e5\\'f2}")
        << QString::fromUtf8("Привет");
    QTest::newRow("Mac Greek by fcharset85")
        << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f0\\fcharset85 Athens;}}\\f0 \\'e1\\'e2\\'e7}")
        << QString::fromUtf8("αβγ");
    QTest::newRow("Mac Central European by ansicpg")
        << QByteArray("{\\rtf1\\mac\\ansicpg10029 \\'89l\\'87nek}") << QString::fromUtf8("Článek");
    QTest::newRow("Mac Turkish by fcharset86")
        << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f0\\fcharset86 Geneva;}}\\f0 \\'db\\'9f\\'df}")
        << QString::fromUtf8("ğüş");
    // Word 97 Japanese: the double-byte font decides, whatever \ansicpg says.
    QTest::newRow("Shift-JIS dbch font in a 1252 document")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 Times;}{\\f5\\fcharset128 MS Mincho;}}"
                      "\\f0 a{\\dbch\\f5 \\'93\\'fa\\'96\\'7b}\\loch\\f0\\hich\\af0\\dbch\\af5 \\'8c\\'ea\\loch b}")
        << QString::fromUtf8("a日本語b");
    QTest::newRow("code page switches inside one run")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset204 A;}{\\f1\\fcharset161 A;}}\\f0\\'e0\\f1\\'e1}")
        << QString::fromUtf8("аα");
}

void TestRtfReader::codepages() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

void TestRtfReader::fontNamesInTheirCharset() {
    auto doc = load("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
                    "{\\f1\\fcharset0 Times New Roman{\\*\\falt Times};}"
                    "\\f2\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}"
                    "a\\f1 b\\f2 c\\f9 d}");
    QCOMPARE(formatOf(*doc, "a").fontFamilies().toStringList(), QStringList{QString::fromUtf8("宋体")});
    QCOMPARE(formatOf(*doc, "b").fontFamilies().toStringList(), QStringList{"Times New Roman"});
    QCOMPARE(formatOf(*doc, "c").fontFamilies().toStringList(), QStringList{QString::fromUtf8("ＭＳ 明朝")});
    // A font that does not exist leaves the family to the document default.
    QVERIFY(!formatOf(*doc, "d").hasProperty(QTextFormat::FontFamilies));

    // \u in a name, mixed with bytes of the font's code page; its
    // fallback characters are skipped.
    auto mixed = load("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 \\u1064?\\u1088?\\u1080?\\u1092?\\u1090? Sans;}"
                      "{\\f1\\fcharset134 \\'cb\\'ce\\u20307?\\uc2\\u12288\\'a1\\'a1X;}}\\f0 e\\f1 f}");
    QCOMPARE(formatOf(*mixed, "e").fontFamilies().toStringList(), QStringList{QString::fromUtf8("Шрифт Sans")});
    QCOMPARE(formatOf(*mixed, "f").fontFamilies().toStringList(), QStringList{QString::fromUtf8("宋体\u3000X")});
}

// ---------------------------------------------------------------------------
// Destinations

void TestRtfReader::destinationsKeptOutOfBody_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("info") << QByteArray("{\\rtf1{\\info{\\title T}{\\author A}}body}") << "body";
    QTest::newRow("headers and footers") << QByteArray("{\\rtf1{\\header H}{\\headerl H}{\\footer F}{\\footerf F}body}")
                                         << "body";
    QTest::newRow("footnote leaves its anchor number")
        << QByteArray("{\\rtf1 a\\chftn{\\footnote\\pard{\\up6\\chftn} note}b\\chftn{\\footnote x}}") << "a1b2";
    QTest::newRow("annotation") << QByteArray("{\\rtf1 a{\\*\\atnid J}{\\*\\annotation comment}b}") << "ab";
    QTest::newRow("bookmarks") << QByteArray("{\\rtf1{\\*\\bkmkstart m}a{\\*\\bkmkend m}}") << "a";
    QTest::newRow("field result shown") << QByteArray("{\\rtf1{\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}}") << "7";
    QTest::newRow("field without result") << QByteArray("{\\rtf1 a{\\field{\\*\\fldinst PAGE}}b}") << "ab";
    QTest::newRow("list label from pntext")
        << QByteArray("{\\rtf1{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody{\\pntxta .}}item}") << "1.\titem";
    QTest::newRow("list label from listtext")
        << QByteArray("{\\rtf1{\\*\\listtable{\\list{\\leveltext x;}}}{\\listtext\\bullet\\tab}item}")
        << QString::fromUtf8("•\titem");
    QTest::newRow("legacy numbering text not shown")
        << QByteArray("{\\rtf1{\\pn\\pnlvlblt{\\pntxtb B}}item}") << "item";
    QTest::newRow("nested table fallback skipped") << QByteArray("{\\rtf1 a{\\nonesttables fallback}b}") << "ab";
    QTest::newRow("non-shape picture fallback skipped")
        << QByteArray("{\\rtf1 a{\\nonshppict{\\pict\\wmetafile8 00}}b}") << "ab";
    QTest::newRow("upr takes the unicode half") << QByteArray("{\\rtf1{\\upr{ansi}{\\*\\ud{uni}}}}") << "uni";
    QTest::newRow("stylesheet names not shown")
        << QByteArray("{\\rtf1{\\stylesheet{\\s0 Normal;}{\\*\\cs1 Strong;}}body}") << "body";
    QTest::newRow("list definition outside the list table")
        << QByteArray("{\\rtf1{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext\\'01\\u-3913 ?;}"
                      "{\\levelnumbers;}}{\\listname Bullets;}\\listid7}body}")
        << "body";
    QTest::newRow("font and colour tables not shown")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}body}") << "body";
}

void TestRtfReader::destinationsKeptOutOfBody() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

void TestRtfReader::colourTable() {
    auto doc = load("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;;\\red0\\green0\\blue255;}"
                    "\\cf1 r\\cf2 auto\\cf3 b\\cf0 zero\\cf99 missing\\highlight3 hl\\cb1 cb}");
    QCOMPARE(formatOf(*doc, "r").foreground().color(), QColor(255, 0, 0));
    QVERIFY(!formatOf(*doc, "auto").hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(formatOf(*doc, "b").foreground().color(), QColor(0, 0, 255));
    QVERIFY(!formatOf(*doc, "zero").hasProperty(QTextFormat::ForegroundBrush));
    QVERIFY(!formatOf(*doc, "missing").hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(formatOf(*doc, "hl").background().color(), QColor(0, 0, 255));
    QCOMPARE(formatOf(*doc, "cb").background().color(), QColor(255, 0, 0));

    // Entry 0 may be a real colour; \cf0 then takes it. Text that names no
    // colour stays automatic.
    auto zero = load("{\\rtf1{\\colortbl\\red0\\green0\\blue0;\\red255\\green0\\blue0;}"
                     "none \\cf1 red\\cf0 black\\plain plain}");
    QCOMPARE(formatOf(*zero, "black").foreground().color(), QColor(0, 0, 0));
    QVERIFY(!formatOf(*zero, "none").hasProperty(QTextFormat::ForegroundBrush));
    QVERIFY(!formatOf(*zero, "plain").hasProperty(QTextFormat::ForegroundBrush));
    QVERIFY(!formatOf(*load("{\\rtf1\\cf0 x}"), "x").hasProperty(QTextFormat::ForegroundBrush));
}

// ---------------------------------------------------------------------------
// Properties

void TestRtfReader::characterProperties() {
    auto doc = load("{\\rtf1\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                    "n {\\b b}{\\b1\\b0 nb}{\\i i}{\\ul u}{\\uld dot}{\\ulwave wave}{\\ul\\ulnone un}{\\ul\\ul0 u0}"
                    "{\\strike s}{\\striked1 sd}{\\f1 courier}{\\fs40 twenty}{\\fs3 tiny}"
                    "{\\super sup}{\\sub sb}{\\super\\nosupersub nss}{\\up6 up}{\\dn4 dn}{\\up0 up0}"
                    "{\\caps caps}{\\scaps smallcaps}{\\v hidden}{\\b grp}after}");
    const QTextCharFormat n = formatOf(*doc, "n");
    QCOMPARE(n.fontPointSize(), 12.0);
    QCOMPARE(n.fontFamilies().toStringList(), QStringList{"Arial"});
    QVERIFY(n.fontWeight() < QFont::DemiBold);
    QVERIFY(!n.fontItalic() && !n.fontUnderline() && !n.fontStrikeOut());

    QVERIFY(formatOf(*doc, "b").fontWeight() >= QFont::DemiBold);
    QVERIFY(formatOf(*doc, "nb").fontWeight() < QFont::DemiBold);
    QVERIFY(formatOf(*doc, "i").fontItalic());
    QVERIFY(formatOf(*doc, "u").fontUnderline());
    QCOMPARE(formatOf(*doc, "dot").underlineStyle(), QTextCharFormat::DotLine);
    QCOMPARE(formatOf(*doc, "wave").underlineStyle(), QTextCharFormat::WaveUnderline);
    QVERIFY(!formatOf(*doc, "un").fontUnderline());
    QVERIFY(!formatOf(*doc, "u0").fontUnderline());
    QVERIFY(formatOf(*doc, "s").fontStrikeOut());
    QVERIFY(formatOf(*doc, "sd").fontStrikeOut());
    QCOMPARE(formatOf(*doc, "courier").fontFamilies().toStringList(), QStringList{"Courier New"});
    QCOMPARE(formatOf(*doc, "twenty").fontPointSize(), 20.0);
    QCOMPARE(formatOf(*doc, "tiny").fontPointSize(), 1.5);
    QCOMPARE(formatOf(*doc, "sup").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    QCOMPARE(formatOf(*doc, "sb").verticalAlignment(), QTextCharFormat::AlignSubScript);
    QCOMPARE(formatOf(*doc, "nss").verticalAlignment(), QTextCharFormat::AlignNormal);
    QCOMPARE(formatOf(*doc, "up").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    QCOMPARE(formatOf(*doc, "dn").verticalAlignment(), QTextCharFormat::AlignSubScript);
    QCOMPARE(formatOf(*doc, "up0").verticalAlignment(), QTextCharFormat::AlignNormal);
    QCOMPARE(formatOf(*doc, "caps").fontCapitalization(), QFont::AllUppercase);
    QCOMPARE(formatOf(*doc, "smallcaps").fontCapitalization(), QFont::SmallCaps);
    // Hidden text is not part of the text (test_rtf_hidden has the rest).
    QVERIFY(!doc->toPlainText().contains("hidden"));
    QVERIFY(!formatOf(*doc, "after").boolProperty(HiddenText));
    // Groups restore what they changed.
    QVERIFY(formatOf(*doc, "grp").fontWeight() >= QFont::DemiBold);
    QVERIFY(formatOf(*doc, "after").fontWeight() < QFont::DemiBold);
    QCOMPARE(formatOf(*doc, "after").fontPointSize(), 12.0);
}

void TestRtfReader::plainResetsToDefaultFont() {
    auto doc = load("{\\rtf1\\deff1{\\fonttbl{\\f0 Arial;}{\\f1 Georgia;}}"
                    "\\f0\\fs40\\b\\i\\ul\\strike\\super\\caps\\v\\cf1 x\\plain y}");
    const QTextCharFormat y = formatOf(*doc, "y");
    QCOMPARE(y.fontFamilies().toStringList(), QStringList{"Georgia"});
    QCOMPARE(y.fontPointSize(), 12.0);
    QVERIFY(y.fontWeight() < QFont::DemiBold);
    QVERIFY(!y.fontItalic() && !y.fontUnderline() && !y.fontStrikeOut() && !y.boolProperty(HiddenText));
    QCOMPARE(y.verticalAlignment(), QTextCharFormat::AlignNormal);
    QCOMPARE(y.fontCapitalization(), QFont::MixedCase);
}

// Writers give double-byte text its own font and style after \dbch, and
// the properties of right-to-left text after \rtlch.
void TestRtfReader::doubleByteAssociatedProperties() {
    auto doc = load("{\\rtf1{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset134 SimSun;}{\\f2 Tahoma;}}"
                    // LibreOffice: Asian bold and font after \dbch
                    "\\f0 {\\dbch\\ab\\af1 \\'d6\\'d0}{\\loch latin}"
                    // Word: associated fonts for each kind, then \loch\f
                    "{\\rtlch\\af2\\ab\\afs60 \\ltrch\\hich\\af0\\dbch\\af1\\loch\\f0 word}"
                    "{\\hich\\af0\\dbch\\af1\\afs40 \\'ce\\'c4}}");
    QCOMPARE(doc->toPlainText(), QString::fromUtf8("中latinword文"));
    const QTextCharFormat zhong = formatOf(*doc, QString::fromUtf8("中"));
    QVERIFY(zhong.fontWeight() >= QFont::DemiBold);
    QCOMPARE(zhong.fontFamilies().toStringList(), QStringList{"SimSun"});
    const QTextCharFormat latin = formatOf(*doc, "latin");
    QVERIFY(latin.fontWeight() < QFont::DemiBold);
    QCOMPARE(latin.fontFamilies().toStringList(), QStringList{"Arial"});
    const QTextCharFormat word = formatOf(*doc, "word");
    QVERIFY(word.fontWeight() < QFont::DemiBold);
    QCOMPARE(word.fontPointSize(), 12.0);
    QCOMPARE(word.fontFamilies().toStringList(), QStringList{"Arial"});
    const QTextCharFormat wen = formatOf(*doc, QString::fromUtf8("文"));
    QCOMPARE(wen.fontFamilies().toStringList(), QStringList{"SimSun"});
    QCOMPARE(wen.fontPointSize(), 20.0);
}

// Word's rule: East Asian characters take the \dbch font, the rest the
// \loch/\hich one, whichever class word came last.
void TestRtfReader::fontFollowsEachCharactersScript() {
    auto families = [](const QTextDocument &doc, const QString &needle) {
        return formatOf(doc, needle).fontFamilies().toStringList().value(0);
    };
    // \f after \dbch sets the font of the Latin text too.
    auto latin = load("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}{\\f1 Helvetica;}}"
                      "\\loch\\af0\\hich\\af0\\dbch\\af0 {\\f1 x.}\\par}");
    QCOMPARE(families(*latin, "x."), QString("Helvetica"));
    // The latest word that sets the East Asian font wins.
    auto later = load("{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}{\\f1 SimSun;}{\\f2 MS Mincho;}}"
                      "\\loch\\af0\\hich\\af0\\dbch\\af2 {\\loch\\af1\\hich\\af1\\dbch\\f1 \\u20320?\\u22909?}\\par}");
    QCOMPARE(families(*later, QString::fromUtf8("你好")), QString("SimSun"));
    // After \loch\f0, Chinese keeps the \dbch font; Latin letters, digits,
    // spaces and tabs inside Chinese text take the Latin font.
    auto mixed = load("{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}{\\f1 SimSun;}}"
                      "\\dbch\\af1\\loch\\f0 \\u20013?\\u25991?ABC 12\\tab\\u65288?\\u12290?z}");
    const QTextDocument &m = *mixed;
    QCOMPARE(m.toPlainText(), QString::fromUtf8("中文ABC 12\t（。z"));
    QCOMPARE(families(m, QString::fromUtf8("中文")), QString("SimSun"));
    QCOMPARE(families(m, "ABC 12\t"), QString("Times New Roman"));
    QCOMPARE(families(m, QString::fromUtf8("（。")), QString("SimSun"));  // full-width forms and CJK punctuation
    QCOMPARE(families(m, "z"), QString("Times New Roman"));
    QCOMPARE(formatOf(m, "ABC").fontPointSize(), 12.0);
    // LibreOffice and Word as they write it: a run per class, with the
    // class's font; a supplementary-plane ideograph takes the East Asian one.
    auto word = load("{\\rtf1{\\fonttbl{\\f0\\fcharset0 Calibri;}{\\f13\\fcharset134 SimSun;}{\\f7 Mangal;}}"
                     "\\rtlch\\fcs1 \\af7 \\ltrch\\fcs0 \\f0\\hich\\af0\\dbch\\af13\\loch\\f0 Hello "
                     "{\\dbch\\u-10176?\\u-9216?\\u21834?}{\\rtlch\\af7 \\ltrch end}}");
    QCOMPARE(families(*word, "Hello"), QString("Calibri"));
    QCOMPARE(families(*word, QString::fromUtf8("\U00020000")), QString("SimSun"));
    QCOMPARE(families(*word, QString::fromUtf8("啊")), QString("SimSun"));
    QCOMPARE(word->toPlainText(), QString::fromUtf8("Hello \U00020000啊end"));
    QCOMPARE(families(*word, "end"), QString("Calibri"));
}

// Word writes a font's copy for another character set under a name no font
// has; the charset still gives the code page.
void TestRtfReader::fontCopiesPerCharset() {
    auto doc =
        load("{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0\\fcharset0 Calibri;}{\\f1\\fcharset238 Calibri CE;}"
             "{\\f2\\fcharset204 Times New Roman Cyr;}{\\f3\\fcharset161 Arial Greek;}{\\f4\\fcharset162 Arial Tur;}"
             "{\\f5\\fcharset186 Arial Baltic;}{\\f6\\fcharset177 Arial (Hebrew);}{\\f7\\fcharset178 Arial (Arabic);}"
             "{\\f8\\fcharset163 Times New Roman (Vietnamese);}{\\f9\\fcharset0 Noto Sans Greek;}}"
             "\\f1 \\'c8l\\'e1nek \\f2 \\'cf\\'f0\\f3 \\'e1\\f4 1\\f5 2\\f6 3\\f7 4\\f8 5\\f9 6}");
    QCOMPARE(doc->toPlainText(), QString::fromUtf8("Článek Прα123456"));
    const QStringList expected = {"Calibri", "Times New Roman", "Arial",           "Arial",          "Arial",
                                  "Arial",   "Arial",           "Times New Roman", "Noto Sans Greek"};
    const QStringList needles = {
        QString::fromUtf8("Článek"), QString::fromUtf8("Пр"), QString::fromUtf8("α"), "1", "2", "3", "4", "5", "6"};
    for (int i = 0; i < needles.size(); ++i)
        QCOMPARE(formatOf(*doc, needles[i]).fontFamilies().toStringList(), QStringList{expected[i]});
}

// Symbol and Wingdings bytes (and their U+F0xx forms) stand for Unicode
// characters; a SYMBOL field shows its character when its result is empty.
void TestRtfReader::symbolFonts() {
    auto doc = load(
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}{\\f2\\fcharset2 Wingdings;}{\\f3\\fcharset2 Marlett;}}"
        "\\f0 [{\\f1 a+\\'b7\\'d6}][{\\f1\\u-3999?}][{\\f2 J\\'d8\\'fc}][{\\f2\\u-3880?}][{\\f3 \\'b7h}]"
        "[{\\field{\\*\\fldinst SYMBOL 216 \\\\f \"Wingdings\" \\\\s 20}{\\fldrslt }}]"
        "[{\\field{\\*\\fldinst SYMBOL 255 \\\\f Wingdings}{\\fldrslt }}]"
        "[{\\field{\\*\\fldinst SYMBOL 97 \\\\f Symbol}{\\fldrslt shown}}]"
        "[{\\field{\\*\\fldinst SYMBOL 65 \\\\f Arial}{\\fldrslt}}]"
        "[{\\field{\\*\\fldinst SYMBOL 0x4E2D \\\\u}}]"
        "[{\\field{\\*\\fldinst SYMBOL 183 \\\\f \"Wingdings 2\"}{\\fldrslt }}]}");
    const QString text = doc->toPlainText();
    QCOMPARE(text, QString::fromUtf8("[α+•√][α][☺\u2B9A✔][\u2B9A][•h][\u2B9A][\uF0FF][shown][A][中][\uF0B7]"));
    // Characters show in an ordinary font (Qt does not fall back from a
    // symbol font to draw them); glyph codes without one in their symbol
    // font. The field's character takes the field's size.
    const QTextCharFormat field = formatOf(*doc, QString::fromUtf8("\u2B9A][\uF0FF"));
    QVERIFY(!field.hasProperty(QTextFormat::FontFamilies));
    QCOMPARE(field.fontPointSize(), 20.0);
    QCOMPARE(formatOf(*doc, QString::fromUtf8("中]")).fontFamilies().toStringList(), QStringList{"Arial"});
    QVERIFY(!formatOf(*doc, QString::fromUtf8("α+•√")).hasProperty(QTextFormat::FontFamilies));
    QCOMPARE(formatOf(*doc, QString::fromUtf8("\uF0FF")).fontFamilies().toStringList(), QStringList{"Wingdings"});
    QCOMPARE(formatOf(*doc, QString::fromUtf8("\uF0B7")).fontFamilies().toStringList(), QStringList{"Wingdings 2"});
    QCOMPARE(formatOf(*doc, "A]").fontFamilies().toStringList(), QStringList{"Arial"});
    QCOMPARE(formatOf(*doc, "h]").fontFamilies().toStringList(), QStringList{"Marlett"});
    // A glyph code with no character, inside a run of Wingdings text.
    auto mixed = load("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f2\\fcharset2 Wingdings;}}\\f2 J\\'ffJ}");
    QCOMPARE(mixed->toPlainText(), QString::fromUtf8("☺\uF0FF☺"));
    QVERIFY(!formatOf(*mixed, QString::fromUtf8("☺")).hasProperty(QTextFormat::FontFamilies));
    QCOMPARE(formatOf(*mixed, QString::fromUtf8("\uF0FF")).fontFamilies().toStringList(), QStringList{"Wingdings"});
    // Unicode text given in a symbol font keeps the font it was given.
    auto given = load("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1\\u97?\\u945?}");
    QCOMPARE(given->toPlainText(), QString::fromUtf8("aα"));
    QCOMPARE(formatOf(*given, "a").fontFamilies().toStringList(), QStringList{"Symbol"});
}

// clang-format off
void TestRtfReader::footnoteNumbering_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    // One footnote (F), one endnote (E).
    const QByteArray f = "{\\super\\chftn}{\\footnote \\pard{\\super\\chftn} note}";
    const QByteArray e = "{\\super\\chftn}{\\*\\footnote\\ftnalt \\pard{\\super\\chftn} note}";
    QTest::newRow("defaults: Arabic footnotes, lower-roman endnotes")
        << "{\\rtf1 a" + f + "b" + e + "c" + f + "d" + e + "}" << "a1bic2dii";
    QTest::newRow("alphabetic and upper roman")
        << "{\\rtf1\\ftnnalc\\aftnnruc " + f + f + e + e + e + e + "}" << "abIIIIIIIV";
    QTest::newRow("upper alphabetic, lower roman, Chicago")
        << "{\\rtf1\\ftnnauc\\aftnnrlc " + f + f + e + "\\sect\\sectd\\sftnnchi " + f + f + f + f + f + "}"
        << QString::fromUtf8("ABi\n‡§**††‡‡");
    QTest::newRow("start numbers")
        << "{\\rtf1\\ftnstart5\\aftnstart3\\aftnnar " + f + e + f + "}" << "536";
    QTest::newRow("restart per section")
        << "{\\rtf1\\ftnrestart " + f + f + "\\sect " + f + e + "\\sect " + e + "}" << "12\n1i\nii";
    QTest::newRow("restart per page")
        << "{\\rtf1\\ftnrstpg " + f + f + "\\page " + f + "\\par\\pard\\pagebb " + f + "}" << "12\n1\n1";
    QTest::newRow("continuous across sections")
        << "{\\rtf1\\ftnrstcont " + f + "\\sect " + f + "}" << "1\n2";
    QTest::newRow("circled, full-width and Chinese counting")
        << "{\\rtf1\\ftnncnum\\aftnndbar " + f + f + e + e + "\\sect\\sectd\\sftnndbnum " + f + "}"
        << QString::fromUtf8("①②１２\n三");
    QTest::newRow("an explicit mark shows instead of the number")
        << "{\\rtf1 a{\\super\\chftn *}{\\footnote x}b" + f + "}" << "a*b2";
    QTest::newRow("an explicit mark without its note takes no number")
        << "{\\rtf1 a{\\super\\chftn *}b" + f + "}" << "a*b1";
    // The words after the note's own mark inside the note are not body text.
    QTest::newRow("pandoc's notes") << QByteArray("{\\rtf1 x{\\super\\chftn}{\\*\\footnote\\chftn\\~\\plain\\pard n}y}") << "x1y";
}
// clang-format on

void TestRtfReader::footnoteNumbering() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

// A run's properties are its own words' after the last \plain; \s and \cs
// only name the style.
void TestRtfReader::stylesAddNothing() {
    auto doc = load(
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Georgia;}}"
        "{\\stylesheet{\\s0\\f0 Normal;}{\\s1\\qc\\sb240\\b\\f1\\fs20\\tx720 heading 1;}"
        "{\\s2\\sbasedon1\\i heading 2;}{\\*\\cs10\\ul\\cf1 Link;}}"
        "{\\colortbl;\\red0\\green0\\blue255;}"
        "\\pard\\s1 this is heading 1\\par\\pard\\s2\\plain\\b Sub\\par\\pard\\plain Body {\\cs10 linked} tail\\par}");
    const QTextCharFormat heading = formatOf(*doc, "this is heading 1");
    QCOMPARE(heading.fontPointSize(), 12.0);
    QVERIFY(heading.fontWeight() < QFont::DemiBold);
    QVERIFY(!heading.hasProperty(QTextFormat::FontFamilies));
    const QTextBlockFormat block = blockOf(*doc, "this is heading 1");
    QCOMPARE(block.alignment(), Qt::AlignLeft);
    QCOMPARE(block.topMargin(), 0.0);
    QVERIFY(block.tabPositions().isEmpty());
    QCOMPARE(block.intProperty(StyleNumber), 1);
    // What the body says still counts.
    QVERIFY(formatOf(*doc, "Sub").fontWeight() >= QFont::DemiBold);
    QVERIFY(!formatOf(*doc, "Sub").fontItalic());
    QCOMPARE(blockOf(*doc, "Sub").intProperty(StyleNumber), 2);
    const QTextCharFormat linked = formatOf(*doc, "linked");
    QVERIFY(!linked.fontUnderline());
    QVERIFY(!linked.hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(linked.intProperty(StyleNumber), 10);
    QVERIFY(!formatOf(*doc, "tail").hasProperty(StyleNumber));
    QVERIFY(!blockOf(*doc, "Body").hasProperty(StyleNumber));
}

void TestRtfReader::paragraphProperties() {
    auto doc = load("{\\rtf1 \\qc c\\par\\pard\\qr r\\par\\pard\\qj j\\par\\pard "
                    "\\li1440\\ri720\\fi-360\\sb300\\sa150 indents\\par"
                    "\\pard\\sl-480 exact\\par\\pard\\sl360 atleast\\par\\pard\\sl480\\slmult1 double\\par"
                    "\\pard\\qc {\\pard\\ql inner\\par} outer\\par\\pard l}");
    QCOMPARE(blockOf(*doc, "c").alignment(), Qt::AlignHCenter);
    QCOMPARE(blockOf(*doc, "r").alignment(), Qt::AlignRight);
    QCOMPARE(blockOf(*doc, "j").alignment(), Qt::AlignJustify);
    const QTextBlockFormat in = blockOf(*doc, "indents");
    QCOMPARE(in.leftMargin(), 96.0);
    QCOMPARE(in.rightMargin(), 48.0);
    QCOMPARE(in.textIndent(), -24.0);
    QCOMPARE(in.topMargin(), 20.0);
    QCOMPARE(in.bottomMargin(), 10.0);
    QCOMPARE(blockOf(*doc, "exact").lineHeightType(), int(QTextBlockFormat::FixedHeight));
    QCOMPARE(blockOf(*doc, "exact").lineHeight(), 32.0);
    QCOMPARE(blockOf(*doc, "atleast").lineHeightType(), int(QTextBlockFormat::MinimumHeight));
    QCOMPARE(blockOf(*doc, "atleast").lineHeight(), 24.0);
    QCOMPARE(blockOf(*doc, "double").lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
    QCOMPARE(blockOf(*doc, "double").lineHeight(), 200.0);
    QCOMPARE(blockOf(*doc, "inner").alignment(), Qt::AlignLeft);
    QCOMPARE(blockOf(*doc, "outer").alignment(), Qt::AlignHCenter);
    // \pard resets, and a paragraph without \par still gets its properties.
    QVERIFY(!blockOf(*doc, "l").hasProperty(QTextFormat::BlockAlignment));
    QCOMPARE(blockOf(*load("{\\rtf1 a\\par\\pard\\qr\\li720 last}"), "last").alignment(), Qt::AlignRight);

    // Tab stops: the kind applies to the next \tx only, and \pard clears
    // them.
    auto tabbed = load("{\\rtf1{\\stylesheet{\\s1\\tx720 Tabbed;}}"
                       "\\pard\\tx1440\\tqr\\tx4320\\tqc\\tqdec\\tx5760\\tx7200 row\\tab 1\\par"
                       "\\pard\\s1 styled\\par\\pard plain\\par}");
    const QList<QTextOption::Tab> stops = blockOf(*tabbed, "row").tabPositions();
    QCOMPARE(stops.size(), 4);
    QCOMPARE(stops[0].position, 96.0);
    QCOMPARE(stops[0].type, QTextOption::LeftTab);
    QCOMPARE(stops[1].type, QTextOption::RightTab);
    QCOMPARE(stops[1].position, 288.0);
    QCOMPARE(stops[2].type, QTextOption::DelimiterTab);
    QCOMPARE(stops[3].type, QTextOption::LeftTab);
    QVERIFY(blockOf(*tabbed, "styled").tabPositions().isEmpty());
    QVERIFY(blockOf(*tabbed, "plain").tabPositions().isEmpty());
    // A list item's hanging first line: the stop at the indent is where the
    // text after the label starts, counted from the label.
    auto listed = load("{\\rtf1\\pard\\li720\\fi-360\\tx360\\tx720\\tx1080 \\bullet\\tab item}");
    const QList<QTextOption::Tab> hanging = blockOf(*listed, "item").tabPositions();
    QCOMPARE(hanging.size(), 2);
    QCOMPARE(hanging[0].position, 24.0);
    QCOMPARE(hanging[1].position, 48.0);
    QString many = QStringLiteral("{\\rtf1\\pard");
    for (int i = 1; i <= 100; ++i)
        many += QStringLiteral("\\tx%1").arg(i * 100);
    auto crowded = load((many + QStringLiteral(" many}")).toLatin1());
    QCOMPARE(blockOf(*crowded, "many").tabPositions().size(), 32);

    auto paged = load("{\\rtf1 a\\page b\\par\\pard\\pagebb c\\par\\pard d}");
    QCOMPARE(blockOf(*paged, "b").pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
    QCOMPARE(blockOf(*paged, "c").pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
    QCOMPARE(blockOf(*paged, "d").pageBreakPolicy(), QTextFormat::PageBreak_Auto);
}

void TestRtfReader::hyperlinks() {
    auto doc = load("{\\rtf1 see {\\field{\\*\\fldinst{HYPERLINK \"http://example.com/a b\"}}"
                    "{\\fldrslt{\\ul\\cf1 site}}} and {\\field{\\*\\fldinst HYPERLINK \\\\l \"mark\"}{\\fldrslt here}}"
                    " {\\field{\\*\\fldinst HYPERLINK  http://x.org/ \\\\o \"tip\"}{\\fldrslt x}} end}");
    QCOMPARE(doc->toPlainText(), QString("see site and here x end"));
    const QTextCharFormat site = formatOf(*doc, "site");
    QVERIFY(site.isAnchor());
    QCOMPARE(site.anchorHref(), QString("http://example.com/a b"));
    QCOMPARE(formatOf(*doc, "here").anchorHref(), QString("#mark"));
    QCOMPARE(formatOf(*doc, "x").anchorHref(), QString("http://x.org/"));
    QVERIFY(!formatOf(*doc, "end").isAnchor());
    QVERIFY(!formatOf(*doc, "and").isAnchor());
}

void TestRtfReader::pictures() {
    const QByteArray hex = pngBytes().toHex();
    auto doc =
        load("{\\rtf1 a{\\pict\\pngblip\\picw4\\pich3\\picwgoal1500\\pichgoal900\\picscalex200 " + hex +
             "}b{\\pict\\wmetafile8\\picw4\\pich3 0102030405}c{\\pict\\jpegblip ffd8ffe0}d"
             "{\\*\\shppict{\\pict\\pngblip\\bin" +
             QByteArray::number(pngBytes().size()) + " " + pngBytes() + "}}{\\nonshppict{\\pict\\wmetafile8 00}}e}");
    // The PNGs become images, the metafile a placeholder (kept content has
    // its own tests); the broken JPEG is skipped.
    QCOMPARE(doc->toPlainText(), QString("a\uFFFCb\uFFFCcd\uFFFCe"));
    QTextCursor c(doc.get());
    c.setPosition(2);
    QVERIFY(c.charFormat().isImageFormat());
    const QTextImageFormat image = c.charFormat().toImageFormat();
    QCOMPARE(image.width(), 200.0);
    QCOMPARE(image.height(), 60.0);
    const QVariant resource = doc->resource(QTextDocument::ImageResource, QUrl(image.name()));
    QCOMPARE(resource.value<QImage>().size(), QSize(4, 3));
    QCOMPARE(resource.value<QImage>().pixelColor(1, 1), QColor(Qt::red));

    c.setPosition(doc->toPlainText().indexOf(QChar(0xfffc), 4) + 1);
    const QTextImageFormat binary = c.charFormat().toImageFormat();
    QVERIFY(binary.name() != image.name());
    QCOMPARE(doc->resource(QTextDocument::ImageResource, QUrl(binary.name())).value<QImage>().size(), QSize(4, 3));
}

// ---------------------------------------------------------------------------
// Tables

void TestRtfReader::tables() {
    auto doc =
        load("{\\rtf1 before\\par"
             "\\trowd\\cellx1500\\cellx3000\\cellx4500\\pard\\intbl A1\\cell A2\\cell\\cell\\row"
             "\\trowd\\cellx1500\\cellx3000\\cellx4500\\pard\\intbl B1\\par second\\cell\\qc B2\\cell B3\\cell\\row"
             "\\pard after\\par}");
    QTextTable *table = nullptr;
    for (QTextFrame *f : doc->rootFrame()->childFrames())
        if ((table = qobject_cast<QTextTable *>(f)))
            break;
    QVERIFY(table);
    QCOMPARE(table->rows(), 2);
    QCOMPARE(table->columns(), 3);
    auto cellText = [&](int r, int col) {
        QTextCursor c = table->cellAt(r, col).firstCursorPosition();
        c.setPosition(table->cellAt(r, col).lastPosition(), QTextCursor::KeepAnchor);
        return c.selection().toPlainText();
    };
    QCOMPARE(cellText(0, 0), QString("A1"));
    QCOMPARE(cellText(0, 1), QString("A2"));
    QCOMPARE(cellText(0, 2), QString());
    QCOMPARE(cellText(1, 0), QString("B1\nsecond"));
    QCOMPARE(cellText(1, 1), QString("B2"));
    QCOMPARE(cellText(1, 2), QString("B3"));
    QCOMPARE(blockOf(*doc, "B2").alignment(), Qt::AlignHCenter);
    // Columns take the widths of \cellx (twips / 15).
    QCOMPARE(table->format().columnWidthConstraints().value(0).rawValue(), 100.0);
    QVERIFY(doc->toPlainText().startsWith("before\n"));
    QVERIFY(doc->toPlainText().endsWith("\nafter"));

    // An empty cell after the defined ones adds no column.
    auto extra = load("{\\rtf1\\trowd\\cellx100\\cellx200\\pard\\intbl a\\cell b\\cell\\cell\\row}");
    QTextTable *two = nullptr;
    for (QTextFrame *f : extra->rootFrame()->childFrames())
        if ((two = qobject_cast<QTextTable *>(f)))
            break;
    QVERIFY(two);
    QCOMPARE(two->columns(), 2);

    // More cells than \cellx, and a row without any definition.
    QCOMPARE(
        textOf("{\\rtf1\\trowd\\cellx100\\pard\\intbl a\\cell b\\cell c\\cell\\row}").split('\n', Qt::SkipEmptyParts),
        QStringList({"a", "b", "c"}));
    QCOMPARE(textOf("{\\rtf1\\pard\\intbl x\\cell y\\cell\\row\\pard z}").split('\n', Qt::SkipEmptyParts),
             QStringList({"x", "y", "z"}));

    // Long tables grow their rows ahead in steps; exactly the rows read are
    // left, whether text follows the table or the file ends inside it.
    for (const char *tail : {"\\pard after}", "}"}) {
        QByteArray rows = "{\\rtf1";
        for (int r = 0; r < 3000; ++r)
            rows += "\\trowd\\cellx500\\cellx900\\pard\\intbl r" + QByteArray::number(r) + "\\cell x\\cell\\row\n";
        auto longDoc = load(rows + tail);
        QTextTable *tall = qobject_cast<QTextTable *>(longDoc->rootFrame()->childFrames().value(0));
        QVERIFY(tall);
        QCOMPARE(tall->rows(), 3000);
        QCOMPARE(tall->cellAt(2999, 0).firstCursorPosition().block().text(), QStringLiteral("r2999"));
    }
}

void TestRtfReader::nestedTables() {
    auto doc =
        load("{\\rtf1\\trowd\\cellx5000\\cellx9000"
             "\\pard\\intbl\\itap1 outer\\par"
             "\\pard\\intbl\\itap2 n1\\nestcell n2\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}"
             "{\\nonesttables fallback\\par}"
             "\\pard\\intbl\\itap2 n3\\nestcell n4\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}"
             "\\pard\\intbl\\itap1 tail\\cell second\\cell\\row\\pard out\\par}");
    const QString text = doc->toPlainText();
    QVERIFY(!text.contains("fallback"));
    QTextTable *outer = nullptr;
    for (QTextFrame *f : doc->rootFrame()->childFrames())
        if ((outer = qobject_cast<QTextTable *>(f)))
            break;
    QVERIFY(outer);
    QCOMPARE(outer->rows(), 1);
    QCOMPARE(outer->columns(), 2);
    QTextTable *inner = nullptr;
    for (QTextFrame *f : outer->childFrames())
        if ((inner = qobject_cast<QTextTable *>(f)))
            break;
    QVERIFY(inner);
    QCOMPARE(inner->rows(), 2);
    QCOMPARE(inner->columns(), 2);
    QCOMPARE(outer->cellAt(inner->firstPosition()).row(), 0);
    QCOMPARE(outer->cellAt(inner->firstPosition()).column(), 0);
    QCOMPARE(inner->cellAt(1, 1).firstCursorPosition().block().text(), QString("n4"));
    // "tail" follows the inner table in the same outer cell.
    const QTextCursor tail = doc->find("tail");
    QCOMPARE(outer->cellAt(tail.position()).column(), 0);
    QVERIFY(tail.position() > inner->lastPosition());
    QCOMPARE(outer->cellAt(doc->find("second").position()).column(), 1);
    QVERIFY(text.endsWith("\nout"));

    // A level that skips steps still ends up readable.
    auto skipped = load("{\\rtf1\\trowd\\cellx5000\\pard\\intbl\\itap2 p\\par\\pard\\intbl\\itap5 deep\\nestcell"
                        "{\\*\\nesttableprops\\trowd\\cellx4000\\nestrow}\\pard\\intbl\\itap1 o\\cell\\row}");
    QCOMPARE(skipped->toPlainText().split('\n', Qt::SkipEmptyParts), QStringList({"p", "deep", "o"}));

    // Tables cost far more memory than the bytes that open them: past the
    // reader's budget, deeper tables stay closed and their cells' text
    // becomes paragraphs of the enclosing cell; nothing is lost.
    QByteArray deep = "{\\rtf1";
    for (int i = 0; i < 4000; ++i)
        deep += "\\intbl\\itap" + QByteArray::number(i % 16 + 1) + " c" + QByteArray::number(i) + "\\nestcell ";
    auto crowded = load(deep + "\\pard end}");
    std::function<int(QTextFrame *)> tablesIn = [&](QTextFrame *frame) {
        int n = qobject_cast<QTextTable *>(frame) ? 1 : 0;
        for (QTextFrame *child : frame->childFrames())
            n += tablesIn(child);
        return n;
    };
    const int tables = tablesIn(crowded->rootFrame());
    // 3750 tables asked for, one per 64 bytes allowed.
    QVERIFY2(tables > 1000 && tables <= deep.size() / 64, qPrintable(QString::number(tables)));
    const QString all = crowded->toPlainText();
    for (int i : {0, 1500, 3999})
        QVERIFY(all.contains(QStringLiteral("c%1\n").arg(i)) || all.contains(QStringLiteral("c%1\u2029").arg(i)));
    QVERIFY(all.endsWith(QStringLiteral("end")));
}

// ---------------------------------------------------------------------------
// How the document is built

void TestRtfReader::buildsRunsWithoutUndo() {
    QTextDocument doc;
    doc.setDefaultFont(QFont("Serif", 17));
    QTextCursor c(&doc);
    c.insertText("old text");
    QVERIFY(doc.isUndoAvailable());
    const ReadResult r = readDocument("{\\rtf1\\ansicpg936 \\'d6\\'d0\\'ce\\'c4 plain "
                                      "{\\b bo\\'d6\\'d0ld} again \\u20320?\\u22909? more}",
                                      &doc);
    QVERIFY(r.ok);
    QVERIFY(!r.damaged);
    QCOMPARE(doc.toPlainText(), QString::fromUtf8("中文 plain bo中ld again 你好 more"));
    // Three runs: text before, the bold group, text after. Runs of the same
    // format are inserted whole, not one character at a time.
    QCOMPARE(fragmentCount(doc), 3);
    QVERIFY(!doc.isUndoAvailable());
    QVERIFY(!doc.isRedoAvailable());
    QVERIFY(doc.isUndoRedoEnabled());
    QCOMPARE(doc.defaultFont().pointSize(), 17);
    // Undo still works for what the user does next.
    QTextCursor(&doc).insertText("x");
    QVERIFY(doc.isUndoAvailable());
}

void TestRtfReader::notRtfLeavesDocumentAlone() {
    for (const QByteArray &bytes : {QByteArray(), QByteArray("plain text"), QByteArray("{\\rtx1 a}"),
                                    QByteArray("x{\\rtf1 a}"), QByteArray("{\\RTF1 a}")}) {
        QTextDocument doc;
        QTextCursor(&doc).insertText("keep");
        const ReadResult r = readDocument(bytes, &doc);
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());
        QCOMPARE(doc.toPlainText(), QString("keep"));
        QTextCursor cursor(&doc);
        QVERIFY(!insertRtf(bytes, cursor).ok);
        QCOMPARE(doc.toPlainText(), QString("keep"));
        QVERIFY(!looksLikeRtf(bytes));
    }
    QVERIFY(looksLikeRtf("\n {\\rtf"));
}

void TestRtfReader::damagedInputKeepsWhatWasRead_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("missing closing braces") << QByteArray("{\\rtf1 a{\\b b\\par c") << "ab\nc";
    QTest::newRow("cut inside a hex escape") << QByteArray("{\\rtf1 ab\\'4") << "ab";
    QTest::newRow("hex escape with one digit") << QByteArray("{\\rtf1 a\\'4x b}") << "ax b";
    QTest::newRow("hex escape with no digit") << QByteArray("{\\rtf1 a\\'zz}") << "azz";
    QTest::newRow("cut after a backslash") << QByteArray("{\\rtf1 ab\\") << "ab";
    QTest::newRow("group closed too often") << QByteArray("{\\rtf1 a}} b}") << "a";
    QTest::newRow("cut inside a skipped group") << QByteArray("{\\rtf1 a{\\*\\x {b") << "a";
    QTest::newRow("cut inside a field") << QByteArray("{\\rtf1 a{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt li")
                                        << "ali";
    QTest::newRow("cut inside the font table") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Ari") << "";
    QTest::newRow("cut inside a table") << QByteArray("{\\rtf1\\trowd\\cellx100\\intbl a\\cell b") << "a\nb";
    QTest::newRow("bin past the end") << QByteArray("{\\rtf1 a\\bin99999 xyz") << "a";
    // The half of a character that was cut shows as undefined, not as nothing.
    QTest::newRow("cut lead byte") << QByteArray("{\\rtf1\\ansicpg936 \\'d6\\'d0\\'d6")
                                   << QString::fromUtf8("中\uFFFD");
}

void TestRtfReader::damagedInputKeepsWhatWasRead() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    ReadResult r;
    auto doc = load(rtf, &r);
    QVERIFY(r.ok);
    QVERIFY(r.damaged);
    QCOMPARE(doc->toPlainText().split('\n', Qt::SkipEmptyParts).join('\n'), text);
}

// clang-format off
void TestRtfReader::hostileInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("tail");  // text the document must end with

    QTest::newRow("deep nesting") << "{\\rtf1 " + QByteArray(100000, '{') + "deep" + QByteArray(100000, '}') + " end}"
                                  << "deep end";
    QTest::newRow("deep nesting never closed") << "{\\rtf1 " + QByteArray(200000, '{') + "x" << "x";
    QTest::newRow("huge parameters") << QByteArray("{\\rtf1\\fs99999999999999999999\\li-99999999999\\f2147483648"
                                                   "\\cf999999999999{\\uc99999999999\\u65 skipped}x}")
                                     << "Ax";
    QTest::newRow("negative indexes") << QByteArray("{\\rtf1\\f-5\\cf-1\\cb-7\\highlight-2\\s-1\\cs-3 x}") << "x";
    QTest::newRow("uc of a million") << QByteArray("{\\rtf1{\\uc1000000\\u65 abc\\'41\\b skipped}shown}") << "Ashown";
    QTest::newRow("lone surrogates") << QByteArray("{\\rtf1\\uc0\\u-10179\\u-10179\\u-8704 x}") << "\uFFFD\U0001F600x";
    QTest::newRow("many table levels")
        << "{\\rtf1\\pard\\intbl\\itap100000 a\\nestcell" + QByteArray("{\\*\\nesttableprops\\nestrow}") + "\\pard z}"
        << "z";
    QTest::newRow("very wide row")
        << "{\\rtf1\\pard\\intbl " + QByteArray("c\\cell ").repeated(5000) + "\\row\\pard z}" << "z";
    QTest::newRow("image claiming to be huge")
        << "{\\rtf1{\\pict\\pngblip " +
               QByteArray::fromHex("89504e470d0a1a0a0000000d4948445200007fff00007fff0806000000").toHex() + "}z}"
        << "z";
    QTest::newRow("undefined style and font chains")
        << QByteArray("{\\rtf1{\\stylesheet{\\s1\\sbasedon2 a;}{\\s2\\sbasedon1 b;}{\\s3\\sbasedon3 c;}}\\s1\\s3 z}")
        << "z";

    QTest::newRow("a long chain of bare trail braces")
        << "{\\rtf1\\ansicpg932 " + QByteArray("\\'81{").repeated(300000) + "z}" << "z";
    QTest::newRow("many fields") << "{\\rtf1 " + QByteArray("{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt a}}").repeated(150000) + "z}"
                                 << "az";
    QTest::newRow("picture bomb")
        << "{\\rtf1{\\pict\\pngblip " + [] {
               QImage big(4000, 4000, QImage::Format_Mono);
               big.fill(0);
               QByteArray bytes;
               QBuffer buffer(&bytes);
               buffer.open(QIODevice::WriteOnly);
               big.save(&buffer, "PNG");
               return bytes.toHex();
           }() + "}z}"
        << "z";

    QByteArray fonts = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 1000000; ++i)
        fonts += "{\\f" + QByteArray::number(i) + " F;}";
    QTest::newRow("a million fonts") << fonts + "}\\f999999 z}" << "z";

    QByteArray colors = "{\\rtf1{\\colortbl;" + QByteArray("\\red1;").repeated(1000000) + "}\\cf999999 z}";
    QTest::newRow("a million colours") << colors << "z";
}
// clang-format on

void TestRtfReader::hostileInput() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, tail);
    ReadResult r;
    auto doc = load(rtf, &r);
    QVERIFY(r.ok);
    QVERIFY2(doc->toPlainText().endsWith(tail), qPrintable(doc->toPlainText().right(40)));
    if (QByteArray(QTest::currentDataTag()).contains("picture"))
        QVERIFY(!doc->toPlainText().contains(QChar::ObjectReplacementCharacter));
}

// Past the depth where groups keep a state of their own, groups are still
// groups: destinations are skipped whole, and each closing brace takes back
// the formatting its group set.
void TestRtfReader::deepNestingKeepsGroups() {
    for (int depth : {100, 600, 5000}) {
        const QByteArray open(depth, '{');
        const QByteArray close(depth, '}');
        const QByteArray inner = "{\\fonttbl{\\f1 Times;}}visible {\\b bold}plain {\\*\\unknown x}"
                                 "{\\pict\\pngblip 0011}{\\colortbl;\\red1;}"
                                 "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}"
                                 "{\\stylesheet{\\s1 Heading;}}{\\info{\\title T}} end";
        ReadResult r;
        auto doc = load("{\\rtf1 " + open + inner + close + " after}", &r);
        QVERIFY(r.ok);
        QCOMPARE(doc->toPlainText(), QString("visible boldplain link end after"));
        QVERIFY(formatOf(*doc, "bold").fontWeight() >= QFont::DemiBold);
        QVERIFY2(formatOf(*doc, "plain").fontWeight() < QFont::DemiBold, qPrintable(QString::number(depth)));
        QVERIFY(formatOf(*doc, "after").fontWeight() < QFont::DemiBold);
    }
}

// ---------------------------------------------------------------------------
// Pasting

void TestRtfReader::insertAtCursor() {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText("start [sel] end");
    c.setPosition(6);
    c.setPosition(11, QTextCursor::KeepAnchor);
    const ReadResult r = insertRtf("{\\rtf1\\ansicpg936{\\fonttbl{\\f0 Arial;}}\\f0 {\\b \\'d6\\'d0}x\\par y}", c);
    QVERIFY(r.ok);
    QCOMPARE(doc.toPlainText(), QString::fromUtf8("start 中x\ny end"));
    QVERIFY(formatOf(doc, QString::fromUtf8("中")).fontWeight() >= QFont::DemiBold);
    // One undo step takes the whole paste back, selection included.
    doc.undo();
    QCOMPARE(doc.toPlainText(), QString("start [sel] end"));

    // Pasted paragraphs that end with \par take the pasted format; the
    // text after the insertion point keeps its paragraph's own.
    QTextDocument right;
    QTextCursor r2(&right);
    QTextBlockFormat aligned;
    aligned.setAlignment(Qt::AlignRight);
    r2.setBlockFormat(aligned);
    r2.insertText("Hello world");
    r2.setPosition(5);
    QVERIFY(insertRtf("{\\rtf1\\qc X\\par\\pard Y}", r2).ok);
    QCOMPARE(right.toPlainText(), QString("HelloX\nY world"));
    QCOMPARE(blockOf(right, "HelloX").alignment(), Qt::AlignHCenter);
    QCOMPARE(blockOf(right, "Y world").alignment(), Qt::AlignRight);
}

QTEST_GUILESS_MAIN(TestRtfReader)
#include "test_rtf_reader.moc"
