// Other word processors read what we write: LibreOffice and AbiWord convert
// our RTF to text (and LibreOffice to HTML), and the text and the main
// properties must be what the document holds. Skipped where the programs
// are not installed.
#include "platform/rtf/rtf.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace {

void buildDocument(QTextDocument *doc)
{
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
QString expectedText(const QTextDocument &doc)
{
    QStringList lines;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines.join(QLatin1Char('\n'));
}

QString normalised(QByteArray bytes)
{
    if (bytes.startsWith("\xef\xbb\xbf"))
        bytes.remove(0, 3);
    QString s = QString::fromUtf8(bytes);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (s.endsWith(QLatin1Char('\n')))
        s.chop(1);
    return s;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// True when the text follows the opening tag with nothing but other tags
// between them: HTML exports nest <font> and <span> in varying order.
bool tagged(const QString &html, const QString &tag, const QString &text)
{
    const QRegularExpression re(QStringLiteral("<%1>(?:<[^>]+>|\\s)*%2").arg(tag, QRegularExpression::escape(text)));
    return re.match(html).hasMatch();
}

bool run(const QString &program, const QStringList &args, const QString &home, QString *log)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);  // a private profile per run
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        *log = QStringLiteral("%1 timed out").arg(program);
        return false;
    }
    *log = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
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
    QByteArray libreOfficeExport(const QString &filter, const QString &extension, QString *log)
    {
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty()) {
            *log = QStringLiteral("LibreOffice (soffice) is not installed; the test set-up installs it");
            return {};
        }
        const QString profile = QUrl::fromLocalFile(dir_.filePath(QStringLiteral("lo-profile"))).toString();
        if (!run(soffice,
                 {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                  QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"), dir_.path(), rtfPath_},
                 dir_.path(), log))
            return {};
        return readAll(dir_.filePath(QStringLiteral("ours.") + extension));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        buildDocument(&doc_);
        rtfPath_ = dir_.filePath(QStringLiteral("ours.rtf"));
        QFile f(rtfPath_);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(pennaro::rtf::writeDocument(&doc_));
    }

    void libreOfficeReadsTheText()
    {
        QString log;
        const QByteArray text = libreOfficeExport(QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("txt"), &log);
        QVERIFY2(!text.isEmpty(), qPrintable(log));
        QCOMPARE(normalised(text), expectedText(doc_));
    }

    void libreOfficeReadsTheFormatting()
    {
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

    void abiWordReadsTheText()
    {
        const QString abiword = QStandardPaths::findExecutable(QStringLiteral("abiword"));
        QVERIFY2(!abiword.isEmpty(), "AbiWord is not installed (the test set-up installs it)");
        const QString out = dir_.filePath(QStringLiteral("abiword.txt"));
        QString log;
        QVERIFY2(run(abiword, {QStringLiteral("--to=txt"), QStringLiteral("-o"), out, rtfPath_}, dir_.path(), &log),
                 qPrintable(log));
        QCOMPARE(normalised(readAll(out)), expectedText(doc_));
    }
};

QTEST_MAIN(TestRtfCrossRead)
#include "test_rtf_crossread.moc"
