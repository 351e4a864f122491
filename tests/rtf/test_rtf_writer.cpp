// The RTF writer's output, checked as bytes: what any reader, old or new,
// will see. Reading the output back is the round-trip test's business.
#include "platform/rtf/docformat.h"
#include "platform/rtf/rtf.h"
#include "platform/rtf/writer.h"

#include <QImage>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

using pennaro::rtf::writeDocument;

namespace {

QByteArray writeText(const QString &text, const QTextCharFormat &format = {}) {
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(text, format);
    return writeDocument(&doc);
}

QTextCharFormat fontFormat(const QString &family, double points = 12) {
    QTextCharFormat f;
    f.setFontFamilies({family});
    f.setFontPointSize(points);
    return f;
}

// The body without line breaks, which readers ignore.
QByteArray flat(QByteArray rtf) { return rtf.replace("\r\n", ""); }

// The font table entry for a family name as written (already escaped).
int fontIndexOf(const QByteArray &rtf, const QByteArray &escapedName, int *charset = nullptr) {
    const QRegularExpression re(QStringLiteral("\\{\\\\f(\\d+)\\\\fnil\\\\fcharset(\\d+) ") +
                                QRegularExpression::escape(QString::fromLatin1(escapedName)) + ";\\}");
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(flat(rtf)));
    if (!m.hasMatch())
        return -1;
    if (charset)
        *charset = m.captured(2).toInt();
    return m.captured(1).toInt();
}

}  // namespace

class TestRtfWriter : public QObject {
    Q_OBJECT

private slots:
    void headerAndSevenBitOutput() {
        const QByteArray rtf =
            writeText(QStringLiteral("Hello 你好 Привет 😀 \u00e9"), fontFormat(QStringLiteral("宋体")));
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936\\deff0"));
        QVERIFY(rtf.trimmed().endsWith('}'));
        for (char c : rtf)
            QVERIFY2(uchar(c) < 0x80, "output must be 7-bit");
        QVERIFY(rtf.contains("{\\fonttbl"));
        QVERIFY(rtf.contains("{\\colortbl;"));
    }

    void fontTableNamesInTheirCodePage() {
        QTextDocument doc;
        QTextCursor cursor(&doc);
        cursor.insertText(QStringLiteral("中文"), fontFormat(QStringLiteral("宋体")));
        cursor.insertText(QStringLiteral("abc"), fontFormat(QStringLiteral("Times New Roman")));
        cursor.insertText(QStringLiteral("字"), fontFormat(QStringLiteral("SimHei")));
        cursor.insertText(QStringLiteral("かな"), fontFormat(QStringLiteral("ＭＳ 明朝")));
        const QByteArray rtf = writeDocument(&doc);

        int cs = -1;
        const int song = fontIndexOf(rtf, "\\'cb\\'ce\\'cc\\'e5", &cs);  // 宋体 in GBK
        QVERIFY(song >= 0);
        QCOMPARE(cs, 134);
        QVERIFY(fontIndexOf(rtf, "SimHei", &cs) >= 0);
        QCOMPARE(cs, 134);
        QVERIFY(fontIndexOf(rtf, "Times New Roman", &cs) >= 0);
        QCOMPARE(cs, 0);
        // ＭＳ 明朝 in Shift-JIS: 82 6c 82 72 20 96 be 92 a9
        QVERIFY(fontIndexOf(rtf, "\\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9", &cs) >= 0);
        QCOMPARE(cs, 128);
        // 中 = d6 d0, 文 = ce c4 in GBK, two fallback bytes each after \uc2.
        const QByteArray f = QByteArray::number(song);
        QVERIFY(
            flat(rtf).contains("{\\f" + f + "\\dbch\\af" + f + "\\fs24 \\uc2\\u20013\\'d6\\'d0\\u25991\\'ce\\'c4}"));
    }

    // clang-format off
    void nonAsciiEscapes_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("escaped specials") << "Arial" << "a\\b{c}d" << QByteArray("a\\\\b\\{c\\}d");
        QTest::newRow("latin-1 in ansi font") << "Arial" << "\u00e9" << QByteArray("\\u233\\'e9");
        QTest::newRow("negative above 32767") << "宋体" << "\uff01" << QByteArray("\\uc2\\u-255\\'a3\\'a1");
        QTest::newRow("unencodable gets ?") << "宋体" << "\ud55c" << QByteArray("\\u-10916?");
        QTest::newRow("astral as surrogate pair") << "Arial" << QString::fromUtf8("\xf0\x9f\x98\x80")
                                                  << QByteArray("\\u-10179?\\u-8704?");
        QTest::newRow("cyrillic picks 1251") << "Arial" << "Жа" << QByteArray("\\u1046\\'c6\\u1072\\'e0");
        QTest::newRow("greek picks 1253") << "Arial" << "Ω" << QByteArray("\\u937\\'d9");
        QTest::newRow("tab, line, nbsp") << "Arial" << "a\tb\u2028c\u00a0d" << QByteArray("a\\tab b\\line c\\~d");
        QTest::newRow("soft and hard hyphen") << "Arial" << "a\u00adb\u2011c" << QByteArray("a\\-b\\_c");
        QTest::newRow("encodable after unencodable") << "宋体" << "\ud55c中" << QByteArray("\\u-10916?\\uc2\\u20013\\'d6\\'d0");
        QTest::newRow("uc back to 1 after dbcs") << "宋体" << "中\ud55c" << QByteArray("\\uc2\\u20013\\'d6\\'d0\\uc1\\u-10916?");
    }
    // clang-format on

    void nonAsciiEscapes() {
        QFETCH(QString, family);
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        const QByteArray rtf = flat(writeText(text, fontFormat(family)));
        QVERIFY2(rtf.contains(" " + expected + "}"), rtf.constData());
    }

    void cyrillicInLatinFontGetsItsOwnCharsetEntry() {
        QTextDocument doc;
        QTextCursor cursor(&doc);
        cursor.insertText(QStringLiteral("abc "), fontFormat(QStringLiteral("Arial")));
        cursor.insertText(QStringLiteral("Жж"), fontFormat(QStringLiteral("Arial"), 13));
        const QByteArray rtf = writeDocument(&doc);
        int cs = -1;
        const QByteArray table = flat(rtf).left(flat(rtf).indexOf("{\\colortbl"));
        QVERIFY(table.contains("\\fcharset0 Arial;"));
        QVERIFY(table.contains("\\fcharset204 Arial;"));
        Q_UNUSED(cs);
    }

    void everyRunStatesFontAndSize() {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("KaiTi"), 15));
        QTextCursor cursor(&doc);
        cursor.insertText(QStringLiteral("plain"));
        const QByteArray rtf = flat(writeDocument(&doc));
        int cs = -1;
        const int kai = fontIndexOf(rtf, "KaiTi", &cs);
        QCOMPARE(kai, 0);  // the default font is \deff0
        QCOMPARE(cs, 134);
        QVERIFY2(rtf.contains("{\\f0\\dbch\\af0\\fs30 plain}"), rtf.constData());
    }

    void characterProperties() {
        QTextCharFormat f = fontFormat(QStringLiteral("Arial"), 10.5);
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setFontUnderline(true);
        f.setFontStrikeOut(true);
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        f.setFontCapitalization(QFont::AllUppercase);
        f.setProperty(pennaro::rtf::HiddenText, true);
        f.setForeground(QColor(0x12, 0x34, 0x56));
        f.setBackground(QColor(255, 255, 0));
        const QByteArray rtf = flat(writeText(QStringLiteral("x"), f));
        QVERIFY(rtf.contains("{\\colortbl;\\red18\\green52\\blue86;\\red255\\green255\\blue0;}"));
        QVERIFY2(rtf.contains("\\fs21\\b\\i\\ul\\strike\\super\\caps\\v\\cf1\\highlight2 x}"), rtf.constData());

        QTextCharFormat sub = fontFormat(QStringLiteral("Arial"));
        sub.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        sub.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        QVERIFY(flat(writeText(QStringLiteral("y"), sub)).contains("\\fs24\\ulwave\\sub y}"));
    }

    void paragraphsAndTheirProperties() {
        QTextDocument doc;
        QTextCursor cursor(&doc);
        QTextBlockFormat b;
        b.setAlignment(Qt::AlignHCenter);
        b.setLeftMargin(20);
        b.setRightMargin(10);
        b.setTextIndent(-8);
        b.setTopMargin(4);
        b.setBottomMargin(6);
        b.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
        cursor.setBlockFormat(b);
        cursor.insertText(QStringLiteral("one"));
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        right.setLineHeight(20, QTextBlockFormat::FixedHeight);
        cursor.insertBlock(right);
        cursor.insertText(QStringLiteral("two"));
        QTextBlockFormat justify;
        justify.setAlignment(Qt::AlignJustify);
        cursor.insertBlock(justify);
        const QByteArray rtf = flat(writeDocument(&doc));
        QVERIFY2(rtf.contains("\\pard\\plain\\qc\\li300\\ri150\\fi-120\\sb60\\sa90\\sl360\\slmult1{"), rtf.constData());
        QVERIFY(rtf.contains("\\pard\\plain\\qr\\sl-300\\slmult0{"));
        // Three blocks, three paragraph marks: the last \par marks the end
        // of the last paragraph, as in files from other word processors.
        QCOMPARE(rtf.count("\\par") - rtf.count("\\pard"), 3);
        QVERIFY(rtf.contains("\\pard\\plain\\qj\\f"));
    }

    void linesStayShort() {
        QString text;
        for (int i = 0; i < 2000; ++i)
            text += (i % 3) ? QStringLiteral("中文字") : QStringLiteral("word ");
        const QByteArray rtf = writeText(text, fontFormat(QStringLiteral("宋体")));
        const QList<QByteArray> lines = rtf.split('\n');
        QVERIFY(lines.size() > 50);
        for (const QByteArray &line : lines)
            QVERIFY2(line.size() <= pennaro::rtf::writer::kLineLimit + 40, line.constData());
        // No break ever lands inside a \u and its fallback.
        QVERIFY(!rtf.contains("\r\n\\'"));
    }

    void hyperlinkField() {
        QTextDocument doc;
        QTextCursor cursor(&doc);
        cursor.insertText(QStringLiteral("see "), fontFormat(QStringLiteral("Arial")));
        QTextCharFormat link = fontFormat(QStringLiteral("Arial"));
        link.setAnchor(true);
        link.setAnchorHref(QStringLiteral("https://example.com/a\"b"));
        cursor.insertText(QStringLiteral("ex"), link);
        link.setFontWeight(QFont::Bold);
        cursor.insertText(QStringLiteral("ample"), link);
        cursor.insertText(QStringLiteral("."), fontFormat(QStringLiteral("Arial")));
        const QByteArray rtf = flat(writeDocument(&doc));
        QVERIFY2(rtf.contains("{\\field{\\*\\fldinst{HYPERLINK \"https://example.com/a\\\\\"b\"}}{\\fldrslt{\\f1\\fs24 "
                              "ex}{\\f1\\fs24\\b ample}}}{\\f1\\fs24 .}"),
                 rtf.constData());
    }

    void tables() {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("Arial"), 12));
        QTextCursor cursor(&doc);
        cursor.insertText(QStringLiteral("before"));
        QTextTableFormat tf;
        tf.setColumnWidthConstraints(
            {QTextLength(QTextLength::FixedLength, 100), QTextLength(QTextLength::FixedLength, 300)});
        QTextTable *table = cursor.insertTable(2, 2, tf);
        table->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("A"));
        table->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("B"));
        QTextCursor inner = table->cellAt(1, 1).firstCursorPosition();
        inner.insertText(QStringLiteral("x"));
        QTextTable *nested = inner.insertTable(1, 2);
        nested->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("n1"));
        nested->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("n2"));
        const QByteArray rtf = flat(writeDocument(&doc));

        QCOMPARE(rtf.count("\\trowd"), 3);
        QCOMPARE(rtf.count("\\cellx1500"), 2);
        QCOMPARE(rtf.count("\\cellx6000"), 2);
        QCOMPARE(rtf.count("\\cellx2250"), 1);  // the nested table shares its cell
        QCOMPARE(rtf.count("\\row"), 2);
        QCOMPARE(rtf.count("\\nestcell"), 2);
        QCOMPARE(rtf.count("\\nestrow"), 1);
        QVERIFY(rtf.contains("before}\\par"));
        QVERIFY(rtf.contains("A}\\cell"));
        QVERIFY(rtf.contains("\\intbl\\itap2{\\f0\\fs24 n1}\\nestcell"));
        // The nested row's properties follow its cells, as readers expect.
        QVERIFY(rtf.indexOf("n2}\\nestcell") < rtf.indexOf("{\\*\\nesttableprops\\trowd"));
        QVERIFY(rtf.indexOf("\\nestrow}") < rtf.lastIndexOf("\\cell"));
    }

    void mergedCells() {
        QTextDocument doc;
        QTextCursor cursor(&doc);
        QTextTable *table = cursor.insertTable(2, 3);
        table->mergeCells(0, 0, 2, 1);
        table->mergeCells(0, 1, 1, 2);
        const QByteArray rtf = flat(writeDocument(&doc));
        QCOMPARE(rtf.count("\\clvmgf"), 1);
        QCOMPARE(rtf.count("\\clvmrg"), 1);
        QCOMPARE(rtf.count("\\clmgf"), 1);
        QCOMPARE(rtf.count("\\clmrg"), 1);
        QCOMPARE(rtf.count("\\cell") - rtf.count("\\cellx"), 6);  // the grid stays whole
    }

    void pngPicture() {
        QTextDocument doc;
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pic1")), image);
        QTextCursor cursor(&doc);
        QTextImageFormat f;
        f.setName(QStringLiteral("pic1"));
        f.setWidth(8);
        cursor.insertImage(f);
        const QByteArray rtf = flat(writeDocument(&doc));
        QVERIFY2(rtf.contains("{\\pict\\pngblip\\picw4\\pich3\\picwgoal120\\pichgoal90"), rtf.constData());
        // The PNG signature in hex.
        QVERIFY(rtf.contains("89504e470d0a1a0a"));

        // A name without a picture behind it writes no \pict at all.
        QTextDocument missing;
        QTextCursor c2(&missing);
        QTextImageFormat none;
        none.setName(QStringLiteral("nothing-here"));
        c2.insertImage(none);
        QVERIFY(!writeDocument(&missing).contains("\\pict"));
    }

    void emptyParagraphKeepsItsFont() {
        QTextDocument doc;
        QTextCursor cursor(&doc);
        cursor.insertText(QStringLiteral("a"));
        cursor.insertBlock(QTextBlockFormat(), fontFormat(QStringLiteral("Arial"), 20));
        cursor.insertBlock(QTextBlockFormat(), fontFormat(QStringLiteral("Arial"), 20));
        cursor.insertText(QStringLiteral("b"));
        const QByteArray rtf = flat(writeDocument(&doc));
        QVERIFY2(rtf.contains("\\pard\\plain\\f1\\fs40 \\par"), rtf.constData());
    }
};

QTEST_MAIN(TestRtfWriter)
#include "test_rtf_writer.moc"
