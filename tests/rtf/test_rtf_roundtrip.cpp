// Writing a document and reading it back gives the same text and the same
// properties, character by character: generated documents in many scripts
// with random runs of every property the editor can show and hidden text
// between them, plus tables, links and pictures.
#include "kept_text.h"

#include "platform/rtf/docformat.h"
#include "platform/rtf/rtf.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextTable>
#include <QUrl>

#include <cmath>

using namespace pennaro::rtf;

namespace {

// What one character looks like, as far as RTF can say it.
struct CharLook {
    QString family;
    double size = 0;
    bool bold = false, italic = false, strike = false, hidden = false;
    int underline = 0, vertical = 0, caps = 0;
    QString colour, background, href;
    bool image = false;

    bool operator==(const CharLook &) const = default;
    QString describe() const {
        return QStringLiteral("%1 %2pt b%3 i%4 u%5 s%6 v%7 c%8 h%9 fg=%10 bg=%11 href=%12 img%13")
            .arg(family)
            .arg(size)
            .arg(bold)
            .arg(italic)
            .arg(underline)
            .arg(strike)
            .arg(vertical)
            .arg(caps)
            .arg(hidden)
            .arg(colour, background, href)
            .arg(image);
    }
};

CharLook lookOf(const QTextCharFormat &f, const QFont &defaults) {
    CharLook l;
    const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    l.family = families.isEmpty() ? defaults.family() : families.first();
    l.size = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : defaults.pointSizeF();
    l.bold = f.fontWeight() >= QFont::DemiBold;
    l.italic = f.fontItalic();
    l.underline = f.underlineStyle();
    l.strike = f.fontStrikeOut();
    l.vertical = f.verticalAlignment();
    l.caps = f.fontCapitalization();
    l.hidden = f.boolProperty(HiddenText);  // shown text never is; kept runs always are
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        l.colour = f.foreground().color().name();
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        l.background = f.background().color().name();
    if (f.isAnchor())
        l.href = f.anchorHref();
    l.image = f.isImageFormat();
    return l;
}

struct BlockLook {
    int align = 0;
    double left = 0, right = 0, indent = 0, top = 0, bottom = 0;
    int lineType = 0;
    double line = 0;
    QString tabs;  // "type@position ..." rounded to whole units
    bool breakBefore = false;

    bool sameAs(const BlockLook &o) const {
        auto near = [](double a, double b) { return std::abs(a - b) < 0.5; };
        return align == o.align && near(left, o.left) && near(right, o.right) && near(indent, o.indent) &&
               near(top, o.top) && near(bottom, o.bottom) && lineType == o.lineType && near(line, o.line) &&
               tabs == o.tabs && breakBefore == o.breakBefore;
    }
    QString describe() const {
        return QStringLiteral("align %1 margins %2/%3/%4 %5/%6 line %7:%8 tabs %9")
                   .arg(align)
                   .arg(left)
                   .arg(right)
                   .arg(indent)
                   .arg(top)
                   .arg(bottom)
                   .arg(lineType)
                   .arg(line)
                   .arg(tabs) +
               (breakBefore ? QStringLiteral(" page break before") : QString());
    }
};

BlockLook lookOf(const QTextBlockFormat &f) {
    BlockLook l;
    l.align = int(f.alignment() & Qt::AlignHorizontal_Mask);
    if (l.align == Qt::AlignLeft)
        l.align = 0;  // left is the default, however it was stated
    l.left = f.leftMargin();
    l.right = f.rightMargin();
    l.indent = f.textIndent();
    l.top = f.topMargin();
    l.bottom = f.bottomMargin();
    for (const QTextOption::Tab &t : f.tabPositions())
        l.tabs += QStringLiteral("%1@%2 ").arg(int(t.type)).arg(std::lround(t.position));
    l.breakBefore = f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
    l.lineType = f.lineHeightType();
    l.line = l.lineType == QTextBlockFormat::SingleHeight ? 0 : f.lineHeight();
    if (l.lineType == QTextBlockFormat::ProportionalHeight && std::abs(l.line - 100) < 0.01) {
        l.lineType = QTextBlockFormat::SingleHeight;  // 100% is single spacing
        l.line = 0;
    }
    return l;
}

// Compares text, every character's look and every paragraph's look; the
// first difference is the failure message.
QString difference(const QTextDocument &a, const QTextDocument &b) {
    if (a.toPlainText() != b.toPlainText())
        return QStringLiteral("text differs:\n  wrote %1\n  read  %2").arg(a.toPlainText(), b.toPlainText());
    if (a.blockCount() != b.blockCount())
        return QStringLiteral("%1 blocks written, %2 read").arg(a.blockCount()).arg(b.blockCount());
    if (test::textWithKept(a) != test::textWithKept(b))
        return QStringLiteral("hidden text differs:\n  wrote %1\n  read  %2")
            .arg(test::textWithKept(a), test::textWithKept(b));
    // Each hidden character's look (runs of one look may come back joined).
    const std::vector<PlacedItem> ka = placeKeptContent(&a);
    const std::vector<PlacedItem> kb = placeKeptContent(&b);
    auto looks = [](const std::vector<PlacedItem> &placed, const QFont &defaults) {
        QStringList out;
        for (const PlacedItem &p : placed) {
            for (const KeptItem::Run &run : p.item->runs) {
                for (QChar ch : run.text)
                    out << QString(ch) + u'|' + lookOf(run.format, defaults).describe();
            }
        }
        return out;
    };
    const QStringList la = looks(ka, a.defaultFont()), lb = looks(kb, b.defaultFont());
    for (qsizetype i = 0; i < la.size() && i < lb.size(); ++i) {
        if (la[i] != lb[i])
            return QStringLiteral("hidden character %1: wrote %2\n  read %3").arg(i).arg(la[i], lb[i]);
    }
    QTextBlock ba = a.begin();
    QTextBlock bb = b.begin();
    for (; ba.isValid() && bb.isValid(); ba = ba.next(), bb = bb.next()) {
        const BlockLook la = lookOf(ba.blockFormat());
        const BlockLook lb = lookOf(bb.blockFormat());
        if (!la.sameAs(lb))
            return QStringLiteral("paragraph %1: wrote %2, read %3")
                .arg(ba.blockNumber())
                .arg(la.describe(), lb.describe());
        for (int i = 0; i < ba.length() - 1; ++i) {
            QTextCursor ca(ba);
            ca.setPosition(ba.position() + i + 1);
            QTextCursor cb(bb);
            cb.setPosition(bb.position() + i + 1);
            const CharLook x = lookOf(ca.charFormat(), a.defaultFont());
            const CharLook y = lookOf(cb.charFormat(), b.defaultFont());
            if (!(x == y))
                return QStringLiteral("character %1 (U+%2): wrote %3\n  read %4")
                    .arg(ba.position() + i)
                    .arg(ba.text().at(i).unicode(), 4, 16, QLatin1Char('0'))
                    .arg(x.describe(), y.describe());
        }
    }
    return {};
}

QString roundTrip(const QTextDocument &doc, QTextDocument *back, QByteArray *rtf = nullptr) {
    const QByteArray bytes = writeDocument(&doc);
    if (rtf)
        *rtf = bytes;
    back->setDefaultFont(doc.defaultFont());
    const ReadResult r = readDocument(bytes, back);
    if (!r.ok || r.damaged)
        return QStringLiteral("reader refused our output: ok=%1 damaged=%2 %3").arg(r.ok).arg(r.damaged).arg(r.error);
    return difference(doc, *back);
}

// Random text in one script per piece, with the characters RTF treats
// specially mixed in.
QString randomText(QRandomGenerator &rng) {
    static const QStringList pieces = {
        QStringLiteral("Quarterly report {draft} \\ v2 "),
        QStringLiteral("第三季度销售额同比增长百分之十二，利润率保持稳定。"),
        QStringLiteral("ひらがなとカタカナ、漢字も。"),
        QStringLiteral("한국어 문장입니다"),
        QStringLiteral("Съешь же ещё этих мягких булок"),
        QStringLiteral("Ελληνικά γράμματα αβγ"),
        QString::fromUtf8("emoji \xf0\x9f\x98\x80\xf0\x9f\x93\x88 and \xf0\xa0\x80\x80 ext-B"),
        QStringLiteral("café naïve €5 “quotes” — dash…"),
        QStringLiteral("tab\there\u00a0nbsp\u2028line\u00adsoft\u2011hard"),
        QStringLiteral("ｆｕｌｌｗｉｄｔｈ！（全角）"),
    };
    const QString &piece = pieces.at(int(rng.bounded(qsizetype(pieces.size()))));
    const int start = int(rng.bounded(piece.size()));
    int length = 1 + int(rng.bounded(piece.size() - start));
    QString s = piece.mid(start, length);
    // Do not cut an astral character in half.
    if (!s.isEmpty() && s.back().isHighSurrogate())
        s.chop(1);
    if (!s.isEmpty() && s.front().isLowSurrogate())
        s.remove(0, 1);
    return s;
}

QColor randomColour(QRandomGenerator &rng) {
    return QColor(int(rng.bounded(256)), int(rng.bounded(256)), int(rng.bounded(256)));
}

QTextCharFormat randomCharFormat(QRandomGenerator &rng) {
    static const QStringList families = {
        QStringLiteral("宋体"),        QStringLiteral("SimHei"),
        QStringLiteral("Arial"),       QStringLiteral("Times New Roman"),
        QStringLiteral("微软雅黑"),    QStringLiteral("ＭＳ 明朝"),
        QStringLiteral("Batang"),      QStringLiteral("新細明體"),
        QStringLiteral("Courier New"), QStringLiteral("Font;With{Odd}\\Name"),
        QStringLiteral("Шрифт Sans"),  QStringLiteral("Γραμματοσειρά"),
    };
    static const double sizes[] = {8, 9, 10.5, 12, 14, 16, 22, 36, 72};
    static const QTextCharFormat::UnderlineStyle underlines[] = {
        QTextCharFormat::SingleUnderline, QTextCharFormat::DashUnderline,  QTextCharFormat::DotLine,
        QTextCharFormat::DashDotLine,     QTextCharFormat::DashDotDotLine, QTextCharFormat::WaveUnderline};
    QTextCharFormat f;
    if (rng.bounded(4) != 0)  // some runs use the document's default font
        f.setFontFamilies({families.at(int(rng.bounded(qsizetype(families.size()))))});
    if (rng.bounded(4) != 0)
        f.setFontPointSize(sizes[rng.bounded(int(std::size(sizes)))]);
    if (rng.bounded(3) == 0)
        f.setFontWeight(QFont::Bold);
    if (rng.bounded(3) == 0)
        f.setFontItalic(true);
    if (rng.bounded(4) == 0)
        f.setUnderlineStyle(underlines[rng.bounded(int(std::size(underlines)))]);
    if (rng.bounded(5) == 0)
        f.setFontStrikeOut(true);
    if (rng.bounded(6) == 0)
        f.setVerticalAlignment(rng.bounded(2) ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript);
    if (rng.bounded(8) == 0)
        f.setFontCapitalization(rng.bounded(2) ? QFont::AllUppercase : QFont::SmallCaps);
    if (rng.bounded(3) == 0)
        f.setForeground(randomColour(rng));
    if (rng.bounded(6) == 0)
        f.setBackground(randomColour(rng));
    if (rng.bounded(8) == 0) {
        f.setAnchor(true);
        f.setAnchorHref(rng.bounded(2) ? QStringLiteral("https://example.com/q?a=1&b=\"2\"")
                                       : QStringLiteral("https://例子.中国/路径"));
    }
    return f;
}

QTextBlockFormat randomBlockFormat(QRandomGenerator &rng) {
    static const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
    QTextBlockFormat b;
    if (rng.bounded(2))
        b.setAlignment(aligns[rng.bounded(4)]);
    if (rng.bounded(3) == 0)
        b.setLeftMargin(rng.bounded(200));
    if (rng.bounded(4) == 0)
        b.setRightMargin(rng.bounded(100));
    if (rng.bounded(4) == 0)
        b.setTextIndent(int(rng.bounded(80)) - 40);
    if (rng.bounded(5) == 0) {
        QList<QTextOption::Tab> tabs;
        for (int at = 0, n = 1 + int(rng.bounded(4)); n > 0; --n) {
            at += 50 + int(rng.bounded(150));  // past any hanging first line
            tabs.append(QTextOption::Tab(at, QTextOption::TabType(rng.bounded(3))));
        }
        b.setTabPositions(tabs);
    }
    if (rng.bounded(8) == 0)
        b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (rng.bounded(4) == 0)
        b.setTopMargin(rng.bounded(30));
    if (rng.bounded(4) == 0)
        b.setBottomMargin(rng.bounded(30));
    switch (rng.bounded(6)) {
    case 0: b.setLineHeight(100 + 50 * int(rng.bounded(3)), QTextBlockFormat::ProportionalHeight); break;
    case 1: b.setLineHeight(12 + int(rng.bounded(30)), QTextBlockFormat::FixedHeight); break;
    case 2: b.setLineHeight(12 + int(rng.bounded(30)), QTextBlockFormat::MinimumHeight); break;
    default: break;
    }
    return b;
}

// Hangs a hidden item on the gap before position p of the block, the way
// the reader does: on the shown characters on both sides, or on the mark of
// an empty paragraph.
void addHidden(QTextDocument *doc, const QTextBlock &block, int offset, QRandomGenerator &rng) {
    auto item = std::make_shared<KeptItem>();
    for (int runs = 1 + int(rng.bounded(2)); runs > 0; --runs) {
        QTextCharFormat f = randomCharFormat(rng);
        f.setAnchor(false);
        f.clearProperty(QTextFormat::AnchorHref);
        f.clearProperty(QTextFormat::IsAnchor);
        f.setProperty(HiddenText, true);
        QString text = randomText(rng);
        text.remove(QChar::LineSeparator).remove(u'\t');
        if (!text.trimmed().isEmpty())
            item->runs.push_back({text, f});
    }
    if (item->runs.empty())
        return;
    const KeptList list({item});
    QTextCursor c(doc);
    const int p = block.position() + offset;
    if (block.length() == 1) {
        QTextCharFormat mark = block.charFormat();
        KeptList::append(mark, KeptBefore, list);
        c.setPosition(p);
        c.setBlockCharFormat(mark);
        return;
    }
    // Each side's whole character, both halves of a surrogate pair.
    if (offset < block.length() - 1) {
        QTextCharFormat before;
        KeptList::append(before, KeptBefore, list);
        c.setPosition(p);
        c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        c.mergeCharFormat(before);
    }
    if (offset > 0) {
        QTextCharFormat after;
        KeptList::append(after, KeptAfter, list);
        c.setPosition(p);
        c.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
        c.mergeCharFormat(after);
    }
}

void fillRandom(QTextDocument *doc, quint32 seed) {
    QRandomGenerator rng(seed);
    static const char *defaults[] = {"宋体", "Arial", "SimSun", "Noto Sans CJK SC"};
    doc->setDefaultFont(QFont(QString::fromUtf8(defaults[rng.bounded(4)]), 9 + int(rng.bounded(4)) * 3));
    QTextCursor cursor(doc);
    const int blocks = 1 + int(rng.bounded(8));
    for (int b = 0; b < blocks; ++b) {
        if (b == 0)
            cursor.setBlockFormat(randomBlockFormat(rng));
        else
            cursor.insertBlock(randomBlockFormat(rng));
        const int runs = int(rng.bounded(12));  // zero runs: an empty paragraph
        for (int r = 0; r < runs; ++r)
            cursor.insertText(randomText(rng), randomCharFormat(rng));
    }
    // Hidden text in some gaps, one item per gap at most.
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        QList<int> gaps;
        for (int offset = 0; offset < block.length(); ++offset) {
            const QString text = block.text();
            // Not inside a surrogate pair.
            if (rng.bounded(12) == 0 && !(offset > 0 && offset < text.size() && text.at(offset).isLowSurrogate()))
                gaps.append(offset);
        }
        for (int offset : gaps)
            addHidden(doc, block, offset, rng);
    }
}

QImage testImage() {
    QImage image(7, 5, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(x * 30, y * 50, 200, 255));
    return image;
}

}  // namespace

class TestRtfRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void generatedDocuments() {
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QTextDocument doc;
            fillRandom(&doc, seed);
            QTextDocument back;
            QByteArray rtf;
            const QString diff = roundTrip(doc, &back, &rtf);
            QVERIFY2(
                diff.isEmpty(),
                qPrintable(QStringLiteral("seed %1: %2\n%3").arg(seed).arg(diff, QString::fromLatin1(rtf.left(3000)))));
        }
    }

    void writingTwiceGivesTheSameBytes() {
        // A saved document, opened and saved again, is stable: nothing drifts
        // or grows with every save.
        for (quint32 seed = 1000; seed < 1030; ++seed) {
            QTextDocument doc;
            fillRandom(&doc, seed);
            const QByteArray first = writeDocument(&doc);
            QTextDocument back;
            back.setDefaultFont(doc.defaultFont());
            QVERIFY(readDocument(first, &back).ok);
            const QByteArray second = writeDocument(&back);
            QCOMPARE(second, first);
        }
    }

    void corpusFilesSurviveOpenAndSave() {
        // Files from other word processors: what we save of them reads back
        // the same, and saving again gives the same bytes.
        const QDir corpus(QStringLiteral(PENNARO_SHARED_DIR "/corpus/public"));
        const QStringList files = corpus.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
        if (files.isEmpty())
            QSKIP("the shared corpus is not present next to the repository");
        for (const QString &name : files) {
            QFile file(corpus.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTextDocument opened;
            opened.setDefaultFont(QFont(QStringLiteral("宋体"), 12));
            QVERIFY2(readDocument(file.readAll(), &opened).ok, qPrintable(name));
            QTextDocument back;
            QByteArray saved;
            const QString diff = roundTrip(opened, &back, &saved);
            QVERIFY2(diff.isEmpty(), qPrintable(name + ": " + diff));
            QVERIFY2(writeDocument(&back) == saved, qPrintable(name + ": a second save differs"));
        }
    }

    void edgeDocuments_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("one empty paragraph after text") << QStringLiteral("a\n");
        QTest::newRow("only empty paragraphs") << QStringLiteral("\n\n\n");
        QTest::newRow("leading and trailing spaces") << QStringLiteral("  two spaces  \n ");
        QTest::newRow("braces and backslashes only") << QStringLiteral("{}\\{\\}\\\\");
        QTest::newRow("digits after unicode") << QStringLiteral("中1文2?3");
        QTest::newRow("private use and specials") << QStringLiteral("\ue000\ufffd\ufeff");
    }

    void edgeDocuments() {
        QFETCH(QString, text);
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("宋体"), 12));
        doc.setPlainText(text);
        QTextDocument back;
        const QString diff = roundTrip(doc, &back);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    // Text in the Symbol or Wingdings font is text: its letters do not turn
    // into the glyphs at those bytes when read back.
    void symbolFontTextComesBackAsWritten() {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("Arial"), 12));
        QTextCursor cursor(&doc);
        for (const char *family : {"Symbol", "Wingdings"}) {
            QTextCharFormat f;
            f.setFontFamilies({QString::fromLatin1(family)});
            cursor.insertText(QStringLiteral("a+b {J} \\ α☺ "), f);
        }
        QTextDocument back;
        const QString diff = roundTrip(doc, &back);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    void longParagraphAcrossManyLines() {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("宋体"), 10.5));
        QString text;
        for (int i = 0; i < 5000; ++i)
            text += QChar(0x4e00 + (i * 37) % 20000);
        QTextCursor(&doc).insertText(text);
        QTextDocument back;
        const QString diff = roundTrip(doc, &back);
        QVERIFY2(diff.isEmpty(), qPrintable(diff.left(500)));
    }

    void tablesKeepTheirShapeAndText() {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("Arial"), 12));
        QTextCursor cursor(&doc);
        cursor.insertText(QStringLiteral("前言"));
        QTextTableFormat tf;
        tf.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 120),
                                      QTextLength(QTextLength::FixedLength, 200),
                                      QTextLength(QTextLength::FixedLength, 80)});
        QTextTable *table = cursor.insertTable(3, 3, tf);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                table->cellAt(r, c).firstCursorPosition().insertText(QStringLiteral("格%1%2").arg(r).arg(c),
                                                                     r == 0 ? bold : QTextCharFormat());
        // A cell with two paragraphs and a nested table between them.
        QTextCursor inner = table->cellAt(1, 1).lastCursorPosition();
        inner.insertBlock();
        inner.insertText(QStringLiteral("second paragraph"));
        QTextTable *nested = inner.insertTable(2, 2);
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c)
                nested->cellAt(r, c).firstCursorPosition().insertText(QStringLiteral("n%1%2").arg(r).arg(c));
        table->cellAt(2, 2).firstCursorPosition().insertTable(1, 2);
        QTextCursor end(&doc);
        end.movePosition(QTextCursor::End);
        end.insertText(QStringLiteral("结束"));

        QTextDocument back;
        QByteArray rtf;
        const QString diff = roundTrip(doc, &back, &rtf);
        QVERIFY2(diff.isEmpty(), qPrintable(diff + "\n" + QString::fromLatin1(rtf)));

        QTextTable *outer = nullptr;
        for (QTextFrame *f : back.rootFrame()->childFrames())
            outer = outer ? outer : qobject_cast<QTextTable *>(f);
        QVERIFY(outer);
        QCOMPARE(outer->rows(), 3);
        QCOMPARE(outer->columns(), 3);
        const QList<QTextLength> widths = outer->format().columnWidthConstraints();
        QCOMPARE(widths.size(), 3);
        QCOMPARE(widths.at(1).rawValue(), 200.0);
        const QList<QTextFrame *> nestedTables = outer->childFrames();
        QCOMPARE(nestedTables.size(), 2);
        auto *innerTable = qobject_cast<QTextTable *>(nestedTables[0]);
        QVERIFY(innerTable);
        QCOMPARE(innerTable->rows(), 2);
        QCOMPARE(innerTable->columns(), 2);
        QCOMPARE(innerTable->cellAt(1, 0).firstCursorPosition().block().text(), QStringLiteral("n10"));
        auto *empty = qobject_cast<QTextTable *>(nestedTables[1]);
        QVERIFY(empty);
        QCOMPARE(empty->rows(), 1);
        QCOMPARE(empty->columns(), 2);
    }

    void documentStartingWithATable() {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("Arial"), 12));
        QTextCursor cursor(&doc);
        QTextTable *table = cursor.insertTable(1, 2);
        table->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("a"));
        table->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("b"));
        QTextDocument back;
        QByteArray rtf;
        const QString diff = roundTrip(doc, &back, &rtf);
        QVERIFY2(diff.isEmpty(), qPrintable(diff + "\n" + QString::fromLatin1(rtf)));
    }

    // An empty nested table in a one-column table: its second cell is an
    // empty paragraph past the outer row's \cellx list, and still a cell.
    void emptyNestedTableKeepsItsColumns() {
        QTextDocument doc;
        QTextCursor cursor(&doc);
        QTextTable *outer = cursor.insertTable(1, 1);
        outer->cellAt(0, 0).firstCursorPosition().insertTable(1, 2);
        QTextDocument back;
        QByteArray rtf;
        const QString diff = roundTrip(doc, &back, &rtf);
        QVERIFY2(diff.isEmpty(), qPrintable(diff + "\n" + QString::fromLatin1(rtf)));
        auto *table = qobject_cast<QTextTable *>(back.rootFrame()->childFrames().value(0));
        QVERIFY(table);
        auto *nested = qobject_cast<QTextTable *>(table->childFrames().value(0));
        QVERIFY(nested);
        QCOMPARE(nested->rows(), 1);
        QCOMPARE(nested->columns(), 2);
    }

    void picturesComeBackAsPictures() {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("Arial"), 12));
        const QImage image = testImage();
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("chart")), image);
        QTextCursor cursor(&doc);
        cursor.insertText(QStringLiteral("图："));
        QTextImageFormat f;
        f.setName(QStringLiteral("chart"));
        f.setWidth(70);
        f.setHeight(50);
        cursor.insertImage(f);
        cursor.insertImage(f);  // the same picture twice
        cursor.insertText(QStringLiteral("完"));

        QTextDocument back;
        QByteArray rtf;
        const QString diff = roundTrip(doc, &back, &rtf);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        int images = 0;
        for (QTextBlock::iterator it = back.begin().begin(); !it.atEnd(); ++it) {
            const QTextCharFormat cf = it.fragment().charFormat();
            if (!cf.isImageFormat())
                continue;
            const QTextImageFormat img = cf.toImageFormat();
            images += it.fragment().length();
            QCOMPARE(img.width(), 70.0);
            QCOMPARE(img.height(), 50.0);
            const QImage got = back.resource(QTextDocument::ImageResource, QUrl(img.name())).value<QImage>();
            QCOMPARE(got.size(), image.size());
            QCOMPARE(got.convertToFormat(QImage::Format_ARGB32), image);
        }
        QCOMPARE(images, 2);
    }

    // A photo read from a file goes back as the same JPEG bytes, not as a
    // PNG of its pixels, and a second save writes it the same way again.
    void jpegPicturesKeepTheirBytes() {
        QImage photo(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixelColor(x, y, QColor((x * 7 + y * 3) % 256, (x * y) % 256, (x + 100) % 256));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(photo.save(&buffer, "JPEG", 80));
        const QByteArray rtf = "{\\rtf1 a{\\pict\\jpegblip\\picw64\\pich48 " + jpeg.toHex() + "}b}";

        QTextDocument doc;
        QVERIFY(readDocument(rtf, &doc).ok);
        const QByteArray saved = writeDocument(&doc);
        QVERIFY(saved.contains("\\jpegblip"));
        auto unwrapped = [](QByteArray rtf) { return rtf.replace('\n', QByteArray()).replace('\r', QByteArray()); };
        QVERIFY(unwrapped(saved).contains(jpeg.toHex()));
        QTextDocument again;
        QVERIFY(readDocument(saved, &again).ok);
        QVERIFY(unwrapped(writeDocument(&again)).contains(jpeg.toHex()));
    }
};

QTEST_MAIN(TestRtfRoundTrip)
#include "test_rtf_roundtrip.moc"
