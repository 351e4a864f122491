// Other word processors read what we write: LibreOffice and AbiWord convert
// our RTF to text (and LibreOffice to HTML and ODF), and the text, the main
// properties and the hidden text must be what the document holds.
#include "platform/rtf/rtf.h"
#include "support/external_tools.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

using pennaro::testing::convertWithLibreOffice;
using pennaro::testing::runTool;

namespace {

void buildDocument(QTextDocument *doc) {
    doc->setDefaultFont(QFont(QStringLiteral("宋体"), 12));
    QTextCursor cursor(doc);
    QTextCharFormat title;
    title.setFontFamilies({QStringLiteral("黑体")});
    title.setFontPointSize(16);
    title.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("二〇二四年第三季度经营报告"), title);

    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.insertBlock(centred, QTextCharFormat());
    QTextCharFormat red;
    red.setForeground(QColor(0xff, 0, 0));
    red.setFontItalic(true);
    cursor.insertText(QStringLiteral("销售额同比增长１２％，"), red);
    QTextCharFormat under;
    under.setFontUnderline(true);
    cursor.insertText(QStringLiteral("利润率保持稳定。"), under);

    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.insertText(QStringLiteral("Mixed: Привет, Ελληνικά, ひらがな, 한국어, café, {braces} \\ back\tslash; "));
    cursor.insertText(QString::fromUtf8("emoji \xf0\x9f\x93\x88 and ext-B \xf0\xa0\x80\x80."));

    cursor.insertBlock();
    cursor.insertText(QStringLiteral("详情见"));
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://example.com/report"));
    cursor.insertText(QStringLiteral("公司网站"), link);
    cursor.insertText(QStringLiteral("。"), QTextCharFormat());

    cursor.insertBlock();
    QTextCharFormat strike;
    strike.setFontStrikeOut(true);
    cursor.insertText(QStringLiteral("旧数据"), strike);
    cursor.insertText(QStringLiteral(" 已更正。"), QTextCharFormat());
}

// Paragraph texts as a text export writes them: one line each, with
// no-break spaces kept.
QString expectedText(const QTextDocument &doc) {
    QStringList lines;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines.join(QLatin1Char('\n'));
}

QString normalised(QByteArray bytes) {
    if (bytes.startsWith("\xef\xbb\xbf"))
        bytes.remove(0, 3);
    QString s = QString::fromUtf8(bytes);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (s.endsWith(QLatin1Char('\n')))
        s.chop(1);
    return s;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// True when the text follows the opening tag with nothing but other tags
// between them: HTML exports nest <font> and <span> in varying order.
bool tagged(const QString &html, const QString &tag, const QString &text) {
    const QRegularExpression re(QStringLiteral("<%1>(?:<[^>]+>|\\s)*%2").arg(tag, QRegularExpression::escape(text)));
    return re.match(html).hasMatch();
}

}  // namespace

class TestRtfCrossRead : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString rtfPath_;
    QTextDocument doc_;

    // Converts our file with LibreOffice to the given filter; the result's
    // contents, empty when the conversion failed (the log says why).
    QByteArray libreOfficeExport(const QString &filter, const QString &extension, QString *log) {
        return libreOfficeExport(rtfPath_, filter, extension, log);
    }

    QByteArray libreOfficeExport(const QString &rtfPath, const QString &filter, const QString &extension,
                                 QString *log) {
        if (!convertWithLibreOffice({rtfPath}, filter, dir_.path(), dir_.path(), log))
            return {};
        return readAll(dir_.filePath(QFileInfo(rtfPath).completeBaseName() + u'.' + extension));
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        buildDocument(&doc_);
        rtfPath_ = dir_.filePath(QStringLiteral("ours.rtf"));
        QFile f(rtfPath_);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(pennaro::rtf::writeDocument(&doc_));
    }

    void libreOfficeReadsTheText() {
        QString log;
        const QByteArray text =
            libreOfficeExport(QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("txt"), &log);
        QVERIFY2(!text.isEmpty(), qPrintable(log));
        QCOMPARE(normalised(text), expectedText(doc_));
    }

    void libreOfficeReadsTheFormatting() {
        QString log;
        const QString html = QString::fromUtf8(libreOfficeExport(QStringLiteral("html"), QStringLiteral("html"), &log));
        QVERIFY2(!html.isEmpty(), qPrintable(log));
        // The title: its Chinese font, size and bold.
        QVERIFY(html.contains(QStringLiteral("face=\"黑体\"")));
        QVERIFY(html.contains(QStringLiteral("font-size: 16pt")));
        QVERIFY(tagged(html, QStringLiteral("b"), QStringLiteral("二〇二四年第三季度经营报告")));
        QVERIFY(tagged(html, QStringLiteral("i"), QStringLiteral("销售额同比增长")));
        QVERIFY(html.contains(QStringLiteral("color=\"#ff0000\"")));
        QVERIFY(tagged(html, QStringLiteral("u"), QStringLiteral("利润率保持稳定。")));
        QVERIFY(tagged(html, QStringLiteral("strike"), QStringLiteral("旧数据")));
        QVERIFY(html.contains(QStringLiteral("align=\"center\"")));
        QVERIFY(html.contains(QStringLiteral("href=\"https://example.com/report\"")));
    }

    // Hidden text we kept from a file goes back hidden, where it stood, with
    // its own formatting.
    void libreOfficeReadsHiddenTextAsHidden() {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("宋体"), 12));
        QVERIFY(pennaro::rtf::readDocument("{\\rtf1\\ansicpg936{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 "
                                           "\\'bf\\'c9\\'bc\\'fb{\\v \\'d2\\'fe\\'b2\\'d8\\'cb\\'b5\\'c3\\'f7}"
                                           "\\'ce\\'c4\\'d7\\'d6\\par Visible{\\b\\v  hidden} text\\par}",
                                           &doc)
                    .ok);
        QCOMPARE(doc.toPlainText(), QStringLiteral("可见文字\nVisible text"));
        const QString path = dir_.filePath(QStringLiteral("hidden.rtf"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(pennaro::rtf::writeDocument(&doc));
        f.close();
        QString log;
        const QString odf =
            QString::fromUtf8(libreOfficeExport(path, QStringLiteral("fodt"), QStringLiteral("fodt"), &log));
        QVERIFY2(!odf.isEmpty(), qPrintable(log));
        // <span T1>可见</span><span T2>隐藏说明</span><span T1>文字</span>, T2 hidden.
        auto hiddenStyleBetween = [&](const QString &before, const QString &hidden, const QString &after) {
            const QRegularExpression span(
                QStringLiteral("%1</text:span><text:span text:style-name=\"(\\w+)\">%2</text:span>"
                               "<text:span text:style-name=\"\\w+\">%3<")
                    .arg(QRegularExpression::escape(before), QRegularExpression::escape(hidden),
                         QRegularExpression::escape(after)));
            return span.match(odf).captured(1);
        };
        auto styleProperties = [&](const QString &style) {
            const QRegularExpression props(
                QStringLiteral("style:name=\"%1\" style:family=\"text\">\\s*<style:text-properties([^>]*)>")
                    .arg(style));
            return props.match(odf).captured(1);
        };
        const QString chinese =
            hiddenStyleBetween(QStringLiteral("可见"), QStringLiteral("隐藏说明"), QStringLiteral("文字"));
        QVERIFY2(!chinese.isEmpty(), qPrintable(odf.right(3000)));
        QVERIFY(styleProperties(chinese).contains(QStringLiteral("text:display=\"none\"")));
        const QString bold =
            hiddenStyleBetween(QStringLiteral("Visible"), QStringLiteral(" hidden"), QStringLiteral(" text"));
        QVERIFY2(!bold.isEmpty(), qPrintable(odf.right(3000)));
        QVERIFY(styleProperties(bold).contains(QStringLiteral("text:display=\"none\"")));
        QVERIFY(styleProperties(bold).contains(QStringLiteral("fo:font-weight=\"bold\"")));
    }

    void abiWordReadsTheText() {
        const QString abiword = QStandardPaths::findExecutable(QStringLiteral("abiword"));
        QVERIFY2(!abiword.isEmpty(), "AbiWord is not installed (the test set-up installs it)");
        const QString out = dir_.filePath(QStringLiteral("abiword.txt"));
        QString log;
        QVERIFY2(runTool(abiword, {QStringLiteral("--to=txt"), QStringLiteral("-o"), out, rtfPath_}, dir_.path(), &log),
                 qPrintable(log));
        QCOMPARE(normalised(readAll(out)), expectedText(doc_));
    }
};

QTEST_MAIN(TestRtfCrossRead)
#include "test_rtf_crossread.moc"
