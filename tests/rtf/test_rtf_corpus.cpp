// The reader on RTF written by real programs: our fixtures (LibreOffice,
// AbiWord and pandoc writing Chinese business text with formatting and a
// table) and the shared corpus of word-processor files.
//
// Comparison rule. The expected texts are what LibreOffice's text export
// makes of each file. Both sides are normalised before comparing:
//  - a byte order mark is dropped;
//  - every run of white space (tabs, no-break and other Unicode spaces
//    included) becomes one space, and lines are trimmed;
//  - empty lines are dropped (table cells and paragraph ends produce them
//    differently in each program);
//  - a list label at the start of a line (a bullet character, or a short
//    number or letter followed by "." or ")" and a space) is dropped: whether labels
//    are part of the text is a choice each program makes on its own.
// Footnote anchors stay: we show them as LibreOffice does. Hidden text is in
// the text exports; ours is compared with its kept hidden text put back
// where it stood.
// Then the lines must be equal, except for files where LibreOffice is known
// to drop text that is in the file (cells beyond the row's \cellx list, a
// malformed nesting it gives up on): there its lines must appear, in order,
// among ours.
#include "kept_text.h"

#include "platform/rtf/docformat.h"
#include "platform/rtf/rtf.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

using namespace pennaro::rtf;
using pennaro::rtf::test::textWithKept;

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QStringList normalisedLines(QString text) {
    static const QRegularExpression label(
        QStringLiteral("^(?:[\\x{2022}\\x{25E6}\\x{25AA}\\x{2043}\\x{00B7}\\x{F0B7}\\x{00A7}\\-*] ?"
                       "|(?:o|[0-9]{1,3}[.)]|[A-Za-z][.)]|[ivxlcdmIVXLCDM]{1,6}[.)]) )"));
    text.remove(QChar(0xfeff));
    text.replace(QChar::LineSeparator, u'\n');
    QStringList out;
    for (const QString &raw : text.split(u'\n')) {
        QString line;
        bool space = false;
        for (QChar c : raw) {
            if (c.isSpace()) {
                space = true;
                continue;
            }
            if (space && !line.isEmpty())
                line += u' ';
            space = false;
            line += c;
        }
        line.remove(label);
        if (!line.isEmpty())
            out << line;
    }
    return out;
}

bool appearInOrder(const QStringList &needles, const QStringList &haystack) {
    qsizetype at = 0;
    for (const QString &n : needles) {
        while (at < haystack.size() && haystack[at] != n)
            ++at;
        if (at == haystack.size())
            return false;
        ++at;
    }
    return true;
}

QTextCharFormat formatOf(QTextDocument &doc, const QString &needle) {
    const QTextCursor found = doc.find(needle);
    if (found.isNull())
        return QTextCharFormat();
    QTextCursor c(&doc);
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

QTextTable *firstTable(QTextDocument &doc) {
    for (QTextFrame *f : doc.rootFrame()->childFrames())
        if (auto *t = qobject_cast<QTextTable *>(f))
            return t;
    return nullptr;
}

const QString kFixtures = QStringLiteral(PENNARO_SOURCE_DIR "/tests/rtf/fixtures");
const QString kCorpus = QStringLiteral(PENNARO_SHARED_DIR "/corpus/public");

}  // namespace

class TestRtfCorpus : public QObject {
    Q_OBJECT

private slots:
    void fixtureText_data();
    void fixtureText();
    void fixtureFormatting_data();
    void fixtureFormatting();
    void fixtureStructure();
    void fixtureScriptsAndNotes_data();
    void fixtureScriptsAndNotes();
    void corpusText_data();
    void corpusText();
    void corpusImage();
};

void TestRtfCorpus::fixtureText_data() {
    QTest::addColumn<QString>("name");
    const QStringList files = QDir(kFixtures).entryList({"*.rtf"}, QDir::Files, QDir::Name);
    QVERIFY2(files.size() >= 4, qPrintable(kFixtures));
    for (const QString &f : files)
        QTest::newRow(qPrintable(f)) << f.chopped(4);
}

void TestRtfCorpus::fixtureText() {
    QFETCH(QString, name);
    const QByteArray rtf = readAll(kFixtures + '/' + name + ".rtf");
    const QByteArray expected = readAll(kFixtures + '/' + name + ".expected.txt");
    QVERIFY(!rtf.isEmpty());
    QVERIFY(!expected.isEmpty());
    QTextDocument doc;
    const ReadResult r = readDocument(rtf, &doc);
    QVERIFY(r.ok);
    QVERIFY(!r.damaged);
    QCOMPARE(normalisedLines(textWithKept(doc, {}, {})), normalisedLines(QString::fromUtf8(expected)));
}

// The business document has the same formatting in every program's output;
// each writer expresses it its own way.
void TestRtfCorpus::fixtureFormatting_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("hasColourAndSizes");
    QTest::newRow("LibreOffice") << "libreoffice_business" << true;
    QTest::newRow("AbiWord") << "abiword_business" << true;
    QTest::newRow("pandoc") << "pandoc_business" << false;  // pandoc drops inline styles
}

void TestRtfCorpus::fixtureFormatting() {
    QFETCH(QString, name);
    QFETCH(bool, hasColourAndSizes);
    QTextDocument doc;
    QVERIFY(readDocument(readAll(kFixtures + '/' + name + ".rtf"), &doc).ok);

    QVERIFY(formatOf(doc, QString::fromUtf8("销售额增长")).fontWeight() >= QFont::DemiBold);
    QVERIFY(formatOf(doc, QString::fromUtf8("尊敬")).fontWeight() < QFont::DemiBold);
    QVERIFY(formatOf(doc, QString::fromUtf8("华东地区")).fontItalic());
    QVERIFY(!formatOf(doc, QString::fromUtf8("表现")).fontItalic());
    QCOMPARE(formatOf(doc, "2O").verticalAlignment(), QTextCharFormat::AlignSubScript);
    QCOMPARE(formatOf(doc, QString::fromUtf8("2。")).verticalAlignment(), QTextCharFormat::AlignSuperScript);

    QTextTable *table = firstTable(doc);
    QVERIFY(table);
    QCOMPARE(table->rows(), 4);
    QCOMPARE(table->columns(), 3);
    QCOMPARE(table->cellAt(2, 1).firstCursorPosition().block().text(), QString("960"));
    QCOMPARE(table->cellAt(3, 0).firstCursorPosition().block().text(), QString::fromUtf8("西北"));

    if (hasColourAndSizes) {
        QVERIFY(formatOf(doc, QString::fromUtf8("下周五")).fontUnderline());
        QVERIFY(formatOf(doc, QString::fromUtf8("原定计划")).fontStrikeOut());
        QCOMPARE(formatOf(doc, QString::fromUtf8("红色标注")).foreground().color(), QColor(0xc0, 0, 0));
        QCOMPARE(formatOf(doc, QString::fromUtf8("大号字体")).fontPointSize(), 20.0);
        QCOMPARE(formatOf(doc, QString::fromUtf8("小号注释")).fontPointSize(), 9.0);
    }
}

// Lists, a link and a table inside a table, as LibreOffice writes them.
void TestRtfCorpus::fixtureStructure() {
    QTextDocument doc;
    QVERIFY(readDocument(readAll(kFixtures + "/libreoffice_structure.rtf"), &doc).ok);
    const QTextCharFormat link = formatOf(doc, QString::fromUtf8("在线报名"));
    QVERIFY(link.isAnchor());
    QCOMPARE(QUrl(link.anchorHref()), QUrl(QString::fromUtf8("https://example.com/报名")));
    QVERIFY(!formatOf(doc, QString::fromUtf8("第二项")).isAnchor());

    QTextTable *outer = firstTable(doc);
    QVERIFY(outer);
    QCOMPARE(outer->columns(), 2);
    QTextTable *inner = nullptr;
    for (QTextFrame *f : outer->childFrames())
        if ((inner = qobject_cast<QTextTable *>(f)))
            break;
    QVERIFY(inner);
    QCOMPARE(inner->columns(), 2);
    QCOMPARE(inner->cellAt(0, 1).firstCursorPosition().block().text(), QString::fromUtf8("内层乙"));
    QCOMPARE(outer->cellAt(doc.find(QString::fromUtf8("外层之后")).position()).column(), 0);
    QCOMPARE(outer->cellAt(doc.find(QString::fromUtf8("右侧")).position()).column(), 1);
    QCOMPARE(doc.find(QString::fromUtf8("居中")).block().blockFormat().alignment(), Qt::AlignHCenter);
}

// Footnotes and endnotes numbered as each file says, hidden text kept off
// the text, and (where the writer gives both) Western and Chinese
// characters of one run each in their own font.
void TestRtfCorpus::fixtureScriptsAndNotes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("endnotes");
    QTest::addColumn<bool>("asianFont");
    QTest::newRow("LibreOffice") << "libreoffice_scripts" << QString::fromUtf8("尾注在此i和ii。") << true;
    QTest::newRow("AbiWord") << "abiword_scripts" << QString::fromUtf8("尾注在此1和2。") << false;
}

void TestRtfCorpus::fixtureScriptsAndNotes() {
    QFETCH(QString, name);
    QFETCH(QString, endnotes);
    QFETCH(bool, asianFont);
    QTextDocument doc;
    QVERIFY(readDocument(readAll(kFixtures + '/' + name + ".rtf"), &doc).ok);
    const QStringList lines = doc.toPlainText().split(u'\n');
    QCOMPARE(lines.value(0), QString::fromUtf8("第一段正文1，继续2。"));
    QCOMPARE(lines.value(1), endnotes);
    QCOMPARE(lines.value(2), QString::fromUtf8("可见文字，Visible text."));
    QCOMPARE(textWithKept(doc).split(u'\n').value(2),
             QString::fromUtf8("可见[隐藏文字]文字，Visible[ hidden words] text."));
    QVERIFY(formatOf(doc, "1").verticalAlignment() == QTextCharFormat::AlignSuperScript);
    if (asianFont) {
        auto family = [&](const QString &needle) {
            return formatOf(doc, needle).fontFamilies().toStringList().value(0);
        };
        QCOMPARE(family("Mixed"), QString("Liberation Serif"));
        QCOMPARE(family(QString::fromUtf8("中文")), QString("SimSun"));
        QCOMPARE(family(" text, "), QString("Liberation Serif"));  // the space after 中文 sits in its \dbch group
        QCOMPARE(family("123"), QString("Liberation Serif"));
        QCOMPARE(family(QString::fromUtf8("（括号）")), QString("SimSun"));
    }
}

void TestRtfCorpus::corpusText_data() {
    QTest::addColumn<QString>("name");
    if (!QDir(kCorpus).exists())
        QSKIP("The shared RTF corpus is not next to the repository.");
    const QStringList files = QDir(kCorpus).entryList({"*.reference.txt"}, QDir::Files, QDir::Name);
    QVERIFY(!files.isEmpty());
    for (const QString &f : files)
        QTest::newRow(qPrintable(f)) << f.chopped(int(strlen(".reference.txt")));
}

void TestRtfCorpus::corpusText() {
    QFETCH(QString, name);
    // LibreOffice leaves out text these files hold; see the comparison rule.
    static const QStringList partialReference = {"table_simple", "table_nested_malformed_itap"};

    const QByteArray rtf = readAll(kCorpus + '/' + name + ".rtf");
    QVERIFY(!rtf.isEmpty());
    QTextDocument doc;
    const ReadResult r = readDocument(rtf, &doc);
    QVERIFY(r.ok);
    const QStringList ours = normalisedLines(textWithKept(doc, {}, {}));
    const QStringList reference = normalisedLines(QString::fromUtf8(readAll(kCorpus + '/' + name + ".reference.txt")));
    if (partialReference.contains(name)) {
        QVERIFY2(appearInOrder(reference, ours), qPrintable(ours.join(" | ")));
        QVERIFY(ours.size() > reference.size());
    } else {
        QCOMPARE(ours, reference);
    }
}

void TestRtfCorpus::corpusImage() {
    const QByteArray rtf = readAll(kCorpus + "/image.rtf");
    if (rtf.isEmpty())
        QSKIP("The shared RTF corpus is not next to the repository.");
    QTextDocument doc;
    const ReadResult r = readDocument(rtf, &doc);
    QVERIFY(r.ok);
    // Its JPEG comes as hex after an empty \bin; it must show as a picture.
    const qsizetype at = doc.toPlainText().indexOf(QChar::ObjectReplacementCharacter);
    QVERIFY(at >= 0);
    QTextCursor c(&doc);
    c.setPosition(int(at) + 1);
    const QTextImageFormat image = c.charFormat().toImageFormat();
    QVERIFY(image.isValid());
    QVERIFY(!doc.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>().isNull());
}

QTEST_GUILESS_MAIN(TestRtfCorpus)
#include "test_rtf_corpus.moc"
