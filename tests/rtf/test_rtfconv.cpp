// The rtfconv tool: its text is the editor's Text, its dump lists the runs,
// its kept list what the file keeps unseen, its round trip writes what Save
// writes, and it fails with one line.
#include "platform/rtf/rtf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace {

struct Result {
    int exitCode = -1;
    QByteArray out, err;
};

QString tool() { return QStringLiteral(PENNARO_BINARY_DIR "/tools/rtfconv/rtfconv"); }

Result runTool(const QStringList &args) {
    QProcess p;
    p.start(tool(), args);
    Result r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the editor would hold after opening the file; its document font is
// 宋体 12 pt.
bool loadInProcess(const QByteArray &bytes, QTextDocument *doc) {
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(12);
    doc->setDefaultFont(font);
    return pennaro::rtf::readDocument(bytes, doc).ok;
}

QByteArray sampleRtf() {
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("宋体"), 12));
    QTextCursor c(&doc);
    QTextCharFormat title;
    title.setFontFamilies({QStringLiteral("黑体")});
    title.setFontPointSize(16);
    title.setFontWeight(QFont::Bold);
    title.setForeground(QColor(0xcc, 0x00, 0x11));
    c.insertText(QStringLiteral("标题"), title);
    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextCharFormat mixed;
    mixed.setFontItalic(true);
    mixed.setFontUnderline(true);
    mixed.setFontStrikeOut(true);
    c.insertText(QStringLiteral("正文"), QTextCharFormat());
    c.insertText(QStringLiteral("x\u00a0y"), mixed);
    return pennaro::rtf::writeDocument(&doc);
}

}  // namespace

class TestRtfConv : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        if (!QFileInfo(tool()).isExecutable())
            QSKIP("rtfconv is not built in this build tree");
        QVERIFY(dir_.isValid());
    }

    void textIsTheEditorsText() {
        QStringList files;
        const QString sample = dir_.filePath(QStringLiteral("sample.rtf"));
        QVERIFY(writeFile(sample, sampleRtf()));
        files << sample;
        const QDir corpus(QStringLiteral(PENNARO_SHARED_DIR "/corpus/public"));
        for (const QString &name : corpus.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name))
            files << corpus.filePath(name);

        for (const QString &file : files) {
            const QByteArray bytes = readFile(file);
            QTextDocument doc;
            QVERIFY2(loadInProcess(bytes, &doc), qPrintable(file));
            QByteArray expected = doc.toPlainText().toUtf8();
            if (!doc.isEmpty())
                expected += '\n';
            const Result r = runTool({QStringLiteral("text"), file});
            QVERIFY2(r.exitCode == 0, qPrintable(file + ": " + r.err));
            QVERIFY2(r.err.isEmpty(), qPrintable(file + ": " + r.err));
            QVERIFY2(r.out == expected, qPrintable(file));
        }
        // The sample's no-break space is a space in Text, as in the editor.
        QCOMPARE(runTool({QStringLiteral("text"), sample}).out, QByteArray("标题\n正文x y\n"));
    }

    void dumpListsTheRuns() {
        const QString sample = dir_.filePath(QStringLiteral("dump.rtf"));
        QVERIFY(writeFile(sample, sampleRtf()));
        const Result r = runTool({QStringLiteral("dump"), sample});
        QCOMPARE(r.exitCode, 0);
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        // start, length, font, size, colour, bold, italic, underline, strike;
        // the paragraph break at 2 belongs to no run.
        QCOMPARE(QString::fromUtf8(lines[0]), QStringLiteral("0\t2\t黑体\t16\t#cc0011\t1\t0\t0\t0"));
        QCOMPARE(QString::fromUtf8(lines[1]), QStringLiteral("3\t2\t宋体\t12\tauto\t0\t0\t0\t0"));
        QCOMPARE(QString::fromUtf8(lines[2]), QStringLiteral("5\t3\t宋体\t12\tauto\t0\t1\t1\t1"));
    }

    // What the file keeps unseen: its page, its header, and each item in
    // the text with its kind and note.
    void keptListsWhatTheFileKeeps() {
        const QString in = QStringLiteral(PENNARO_SOURCE_DIR "/tests/rtf/fixtures/word_report.rtf");
        const Result r = runTool({QStringLiteral("kept"), in});
        QCOMPARE(r.exitCode, 0);
        const QString out = QString::fromUtf8(r.out);
        QVERIFY2(out.startsWith(QStringLiteral("page\t16838x11906\tlandscape\tmargins 1440 1440 1800 1800\nheader\t")),
                 qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("\tmarkup\tJane Doe: Please check the northern region.\n")));
        QVERIFY(out.contains(QStringLiteral("\thidden\t (draft)\n")));
        QVERIFY(out.contains(QStringLiteral("\tsection\t\n")));
        QVERIFY(out.contains(QStringLiteral("37-38\tnote\tCompared with the same quarter of 2023.\n")));
    }

    void roundtripWritesWhatSaveWrites() {
        const QString in = QStringLiteral(PENNARO_SHARED_DIR "/corpus/public/formatting.rtf");
        if (!QFile::exists(in))
            QSKIP("the shared corpus is not present next to the repository");
        const QString out = dir_.filePath(QStringLiteral("out.rtf"));
        QVERIFY(writeFile(out, "old contents"));
        const Result r = runTool({QStringLiteral("roundtrip"), in, out});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.isEmpty());
        QTextDocument doc;
        QVERIFY(loadInProcess(readFile(in), &doc));
        QCOMPARE(readFile(out), pennaro::rtf::writeDocument(&doc));

        // Saving what was saved changes nothing.
        const QString again = dir_.filePath(QStringLiteral("again.rtf"));
        QCOMPARE(runTool({QStringLiteral("roundtrip"), out, again}).exitCode, 0);
        QCOMPARE(readFile(again), readFile(out));
    }

    void failuresAreOneLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("mentions");
        QTest::newRow("missing file") << QStringList{QStringLiteral("text"), QStringLiteral("no-such-file.rtf")}
                                      << QByteArray("no-such-file.rtf");
        QTest::newRow("not rtf") << QStringList{QStringLiteral("dump"), QStringLiteral("plain.txt")}
                                 << QByteArray("plain.txt");
        QTest::newRow("a directory") << QStringList{QStringLiteral("text"), QStringLiteral(".")} << QByteArray(".");
        QTest::newRow("unwritable output") << QStringList{QStringLiteral("roundtrip"), QStringLiteral("good.rtf"),
                                                          QStringLiteral("missing-dir/out.rtf")}
                                           << QByteArray("missing-dir/out.rtf");
        QTest::newRow("unknown command") << QStringList{QStringLiteral("print"), QStringLiteral("good.rtf")}
                                         << QByteArray("usage");
        QTest::newRow("missing argument")
            << QStringList{QStringLiteral("roundtrip"), QStringLiteral("good.rtf")} << QByteArray("usage");
    }

    void failuresAreOneLine() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, mentions);
        QVERIFY(writeFile(dir_.filePath(QStringLiteral("plain.txt")), "just words\n"));
        QVERIFY(writeFile(dir_.filePath(QStringLiteral("good.rtf")), "{\\rtf1 fine}"));
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.start(tool(), args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY(p.exitCode() != 0);
        QVERIFY(p.readAllStandardOutput().isEmpty());
        const QByteArray err = p.readAllStandardError();
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.contains(mentions), err.constData());
        QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("missing-dir"))));
    }
};

QTEST_MAIN(TestRtfConv)
#include "test_rtfconv.moc"
