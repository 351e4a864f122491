// Documents that Qt's layout handles badly, opened, edited and saved through
// the window's commands: a run with no break opportunity, paragraphs whose
// direction the file gives, and a document taller than Qt's coordinates
// reach without pages. What is saved is what was read plus the edits, and
// the caret and the selection go where the user puts them.
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "support/form_fixture.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

QString writeFile(FormFixture &f, const QString &name, const QByteArray &rtf) {
    const QString path = f.path(name);
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(rtf);
    return path;
}

void open(FormFixture &f, const QString &path) {
    f.platform.dialogs.answerOpen(path);
    f.run([&] { f.form->mnuOpenItem_Click(); });
}

void save(FormFixture &f) {
    f.run([&] { f.form->mnuSave_Click(); });
}

QByteArray readAll(const QString &path) {
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// Whether every line of the paragraph ends where a word does.
bool wrapsAtWords(QTextEdit *edit, const QTextBlock &block) {
    edit->document()->documentLayout()->blockBoundingRect(block);  // laid out
    const QString text = block.text();
    const QTextLayout *layout = block.layout();
    for (int i = 0; i + 1 < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        if (text.at(line.textStart() + line.textLength() - 1) != QLatin1Char(' '))
            return false;
    }
    return layout->lineCount() > 1;
}

}  // namespace

class TestHardDocuments : public QObject {
    Q_OBJECT
private slots:
    void runWithoutBreaksEditsAndSavesAsItWas();
    void paragraphDirectionComesFromTheFile();
    void documentTallerThanQtReachesOpensToItsEnd();
    void selectionOverManyEmptyParagraphsReadsEveryRun();
};

// 12,000 letters without a break opportunity between two paragraphs of
// words: typing into the run and selecting part of it work on the right
// characters, the file saved holds the text as it was plus what was typed,
// and once the run is gone the words wrap at word boundaries again.
void TestHardDocuments::runWithoutBreaksEditsAndSavesAsItWas() {
    FormFixture f;
    f.form->resize(600, 400);
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    const QString words = QStringLiteral("alpha beta gamma delta ").repeated(40).trimmed();
    QString run;
    for (int i = 0; i < 12000; ++i)
        run += QChar(u'a' + i % 26);
    const QString path =
        writeFile(f, QStringLiteral("run.rtf"),
                  "{\\rtf1\\ansi " + words.toLatin1() + "\\par " + run.toLatin1() + "\\par " + words.toLatin1() + "}");
    open(f, path);
    RichTextBox &box = *f.form->RichTextBox1;
    QCOMPARE(box.Text(), words + u'\n' + run + u'\n' + words);

    const int runStart = int(words.size()) + 1;
    box.setSelStart(runStart + 6000);
    QTest::keyClicks(box.widget(), QStringLiteral("XY"));
    box.setSelStart(runStart + 5998);
    box.setSelLength(6);
    QCOMPARE(box.SelText(), run.mid(5998, 2) + QStringLiteral("XY") + run.mid(6000, 2));

    save(f);
    const QString edited = run.left(6000) + QStringLiteral("XY") + run.mid(6000);
    QCOMPARE(FormFixture::readRtfText(path), words + u'\n' + edited + u'\n' + words);

    box.setSelStart(runStart);
    box.setSelLength(int(edited.size()) + 1);
    box.setSelText(QString());
    QCOMPARE(box.Text(), words + u'\n' + words);
    QTRY_VERIFY_WITH_TIMEOUT(wrapsAtWords(box.widget(), box.document()->firstBlock()), 5000);
}

// A paragraph the file marks \rtlpar runs right to left; one it does not
// runs left to right, even when it starts with Arabic letters. Saving
// writes the mark back on the one paragraph that had it.
void TestHardDocuments::paragraphDirectionComesFromTheFile() {
    FormFixture f;
    const QString path = writeFile(f, QStringLiteral("directions.rtf"),
                                   "{\\rtf1\\ansi\\pard\\rtlpar \\u1575?\\u1604?\\u1593?\\u1585? one\\par"
                                   "\\pard \\u1575?\\u1604? two\\par\\pard plain\\par}");
    for (int round = 0; round < 2; ++round) {
        open(f, path);
        const QTextDocument *doc = f.form->RichTextBox1->document();
        QCOMPARE(doc->findBlockByNumber(0).textDirection(), Qt::RightToLeft);
        QCOMPARE(doc->findBlockByNumber(1).textDirection(), Qt::LeftToRight);
        QCOMPARE(doc->findBlockByNumber(2).textDirection(), Qt::LeftToRight);
        f.form->Modified = true;
        save(f);
        QCOMPARE(readAll(path).count("\\rtlpar"), 1);
    }
}

// Five thousand paragraphs, each with 22 inches of space above it, are ten
// million pixels tall, past the 8.4 million Qt's layout reaches without
// pages. The document opens, Ctrl+End takes the caret to its last line in
// view, also after the window changed width, and what is typed there is
// saved after everything else.
void TestHardDocuments::documentTallerThanQtReachesOpensToItsEnd() {
    FormFixture f;
    QWidget *editor = f.showWithEditorFocused();
    QVERIFY(editor);
    const QString path = writeFile(f, QStringLiteral("tall.rtf"),
                                   "{\\rtf1\\ansi\\pard\\sb31680 " + QByteArray("x\\par ").repeated(5000) + "end}");
    open(f, path);
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    f.form->resize(f.form->width() - 80, f.form->height());
    QApplication::processEvents();
    QTest::keyClicks(editor, QStringLiteral("!"));
    auto *edit = f.form->RichTextBox1->widget();
    QVERIFY(edit->viewport()->rect().contains(edit->cursorRect()));
    save(f);
    QCOMPARE(FormFixture::readRtfText(path), QStringLiteral("x\n").repeated(5000) + QStringLiteral("end!"));
}

// Thousands of empty paragraphs between two words: a selection reaching
// into the last word reads its bold characters, and one stopping just
// before them does not.
void TestHardDocuments::selectionOverManyEmptyParagraphsReadsEveryRun() {
    FormFixture f;
    RichTextBox &box = *f.form->RichTextBox1;
    box.setText(QStringLiteral("first") + QString(3000, u'\n') + QStringLiteral("last"));
    const int length = int(box.Text().size());
    box.setSelStart(length - 2);
    box.setSelLength(2);
    box.setSelBold(true);
    box.setSelStart(2);
    box.setSelLength(length - 4);
    QCOMPARE(box.SelBold(), std::optional<bool>(false));
    box.setSelLength(length - 3);
    QCOMPARE(box.SelBold(), std::nullopt);
    box.setSelStart(5);
    box.setSelLength(3000);
    QCOMPARE(box.SelBold(), std::optional<bool>(false));
}

QTEST_MAIN(TestHardDocuments)
#include "test_hard_documents.moc"
