// Find, Find Next and Find All through their handlers: the prompts shown and
// their defaults, the selection each search leaves, the search state, Find
// All's colouring as it lands in the saved file, and the keys.
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "support/form_fixture.h"
#include "support/rtf_samples.h"

#include <QComboBox>
#include <QFile>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

// A document of plain text, clean, with the state an earlier Find Next
// leaves: RestartSearch false, no current match.
void startWith(FormFixture &f, const QString &text) {
    f.startWith(text);
    f.form->RestartSearch = false;
}

// Find, answering its prompt; a miss is expected to end in "String not
// found.", answered with OK.
void find(FormFixture &f, const QString &answer, bool miss = false) {
    f.platform.dialogs.answerInput(answer);
    if (miss)
        f.platform.dialogs.answerMessage(vbOK);
    f.run([&] { f.form->mnuFindItem_Click(); });
}

void findNext(FormFixture &f) {
    f.run([&] { f.form->mnuFindNextItem_Click(); });
}

// The document's text with every character that is not blue shown as '.'.
QString blueMask(const FormFixture &f) {
    QTextDocument *doc = f.form->RichTextBox1->document();
    QString mask = f.form->RichTextBox1->Text();
    QTextCursor probe(doc);
    for (int i = 0; i < mask.size(); ++i) {
        probe.setPosition(i + 1);
        const QTextCharFormat format = probe.charFormat();
        const bool blue =
            format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().color() == QColor(0, 0, 255);
        if (!blue)
            mask[i] = QLatin1Char('.');
    }
    return mask;
}

void expectPrompt(const ShownDialog &shown, const QString &defaultText) {
    QCOMPARE(shown.kind, DialogKind::InputBox);
    QCOMPARE(shown.prompt, texts::FindPrompt);
    QCOMPARE(shown.title, texts::FindTitle);
    QCOMPARE(shown.defaultText, defaultText);
}

}  // namespace

class FindCommands : public QObject {
    Q_OBJECT
private slots:
    void findSelectsTheFirstOccurrenceFromTheTop();
    void findReportsAMiss_data();
    void findReportsAMiss();
    void findPromptCancelledKeepsThePosition();
    void findNextAfterStartupBeginsAtTheTop();
    void findNextNeverOverlapsAndWrapsAfterAMiss();
    void findNextPromptsOnlyWithoutASearchString();
    void findNextAfterTheTextShrankFindsNothing();
    void matchIsSelectedExactly_data();
    void matchIsSelectedExactly();
    void findAllColoursEveryMatchAndEnds();
    void findAllAfterFindBeginsAfterTheMatch();
    void findAllWithoutMatchColoursTheSelection();
    void findAllCancelledAfterAKeptMatchAsksOnce();
    void findAllIsOneUndoStep();
    void findAllFromTheFontNameBoxLeavesTheLastMatchSelected();
    void findAllColourIsSavedAsBlue();
    void keysRunFindAndFindNext();
};

void FindCommands::findSelectsTheFirstOccurrenceFromTheTop() {
    FormFixture f;
    startWith(f, QStringLiteral("abc ABC aBc"));
    f.form->RichTextBox1->setSelStart(11);
    find(f, QStringLiteral("abc"));
    QCOMPARE(f.platform.dialogs.shown().size(), 1);
    expectPrompt(f.platform.dialogs.shown()[0], QString());
    QCOMPARE(f.selection(), QStringLiteral("0+3"));
    QCOMPARE(f.form->FoundPosition, 1);
    QCOMPARE(f.form->SearchString, QStringLiteral("abc"));
    QVERIFY(!f.form->RestartSearch);  // Find leaves it alone
    QVERIFY(!f.form->Modified);

    // The selection pre-fills the prompt; confirming it finds the first
    // occurrence, which here is not the selection itself.
    f.form->RichTextBox1->setSelStart(8);
    f.form->RichTextBox1->setSelLength(3);
    find(f, QStringLiteral("aBc"));
    expectPrompt(f.platform.dialogs.shown()[1], QStringLiteral("aBc"));
    QCOMPARE(f.selection(), QStringLiteral("0+3"));

    // A selected no-break space reads as a space in Text; the selection is
    // still found where it is.
    startWith(f, QString());
    QTextCursor(f.form->RichTextBox1->document()).insertText(QString::fromUtf16(u"x a\u00a0b"));
    f.form->RichTextBox1->setSelStart(2);
    f.form->RichTextBox1->setSelLength(3);
    find(f, f.form->RichTextBox1->SelText());
    QCOMPARE(f.platform.dialogs.shown().size(), 3);
    QCOMPARE(f.selection(), QStringLiteral("2+3"));
}

// clang-format off
void FindCommands::findReportsAMiss_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::newRow("absent") << "hello world" << "xyz";
    QTest::newRow("longer than the document") << "abc" << "abcd";
    QTest::newRow("empty document") << "" << "a";
}
// clang-format on

void FindCommands::findReportsAMiss() {
    QFETCH(QString, text);
    QFETCH(QString, search);
    FormFixture f;
    startWith(f, text);
    f.form->FoundPosition = 2;
    f.form->RichTextBox1->setSelStart(1);
    f.form->RichTextBox1->setSelLength(1);
    const QString before = f.selection();
    find(f, search, true);
    const QList<ShownDialog> shown = f.platform.dialogs.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].kind, DialogKind::MessageBox);
    QCOMPARE(shown[1].prompt, texts::StringNotFound);
    QCOMPARE(shown[1].buttons, int(vbOKOnly));
    QCOMPARE(shown[1].title, QString());  // the application's title
    QCOMPARE(f.selection(), before);
    QCOMPARE(f.form->FoundPosition, 0);

    // Find Next finding nothing says nothing.
    findNext(f);
    QCOMPARE(f.platform.dialogs.shown().size(), 2);
    QCOMPARE(f.selection(), before);
}

void FindCommands::findPromptCancelledKeepsThePosition() {
    FormFixture f;
    startWith(f, QStringLiteral("one two one two"));
    find(f, QStringLiteral("two"));
    QCOMPARE(f.form->FoundPosition, 5);
    f.platform.dialogs.cancel(DialogKind::InputBox);
    f.run([&] { f.form->mnuFindItem_Click(); });
    QCOMPARE(f.form->SearchString, QString());
    QCOMPARE(f.form->FoundPosition, 5);
    QCOMPARE(f.selection(), QStringLiteral("4+3"));

    // Find Next asks again, without a default, and searches from the kept
    // position plus the length of the new text, 5 + 3 = 8: the "one" at 9.
    f.platform.dialogs.answerInput(QStringLiteral("one"));
    findNext(f);
    expectPrompt(f.platform.dialogs.shown().last(), QString());
    QCOMPARE(f.form->FoundPosition, 9);
    QCOMPARE(f.selection(), QStringLiteral("8+3"));
}

void FindCommands::findNextAfterStartupBeginsAtTheTop() {
    FormFixture f;  // start-up set RestartSearch
    f.form->RichTextBox1->setText(QStringLiteral("cat, cat and cat"));
    f.platform.input.setFocus(f.form->RichTextBox1->widget());
    find(f, QStringLiteral("cat"));
    QCOMPARE(f.selection(), QStringLiteral("0+3"));
    findNext(f);
    QCOMPARE(f.selection(), QStringLiteral("0+3"));
    findNext(f);
    QCOMPARE(f.selection(), QStringLiteral("5+3"));
    QCOMPARE(f.platform.dialogs.shown().size(), 1);
}

void FindCommands::findNextNeverOverlapsAndWrapsAfterAMiss() {
    FormFixture f;
    startWith(f, QStringLiteral("aaaa"));
    find(f, QStringLiteral("aa"));
    QCOMPARE(f.selection(), QStringLiteral("0+2"));
    findNext(f);
    QCOMPARE(f.selection(), QStringLiteral("2+2"));
    findNext(f);
    QCOMPARE(f.selection(), QStringLiteral("2+2"));  // nothing found, nothing changed
    QCOMPARE(f.form->FoundPosition, 0);
    findNext(f);
    QCOMPARE(f.selection(), QStringLiteral("0+2"));
    QVERIFY(!f.form->RestartSearch);
    QCOMPARE(f.platform.dialogs.shown().size(), 1);
}

void FindCommands::findNextPromptsOnlyWithoutASearchString() {
    FormFixture f;
    startWith(f, QStringLiteral("Straße, STRASSE"));
    f.platform.dialogs.cancel(DialogKind::InputBox);
    findNext(f);
    expectPrompt(f.platform.dialogs.shown().last(), QString());
    QCOMPARE(f.form->FoundPosition, 0);
    QCOMPARE(f.selection(), QStringLiteral("0+0"));

    f.platform.dialogs.answerInput(QStringLiteral("strasse"));
    findNext(f);
    QCOMPARE(f.selection(), QStringLiteral("8+7"));
    findNext(f);  // the text is kept: no prompt
    QCOMPARE(f.platform.dialogs.shown().size(), 2);
    QCOMPARE(f.form->FoundPosition, 0);
}

void FindCommands::findNextAfterTheTextShrankFindsNothing() {
    FormFixture f;
    startWith(f, QStringLiteral("find me at the end: target"));
    find(f, QStringLiteral("target"));
    QCOMPARE(f.form->FoundPosition, 21);
    f.form->RichTextBox1->setText(QStringLiteral("target"));
    // Searching from 27, beyond the end: nothing, silently; then from the top.
    findNext(f);
    QCOMPARE(f.form->FoundPosition, 0);
    findNext(f);
    QCOMPARE(f.selection(), QStringLiteral("0+6"));
}

void FindCommands::matchIsSelectedExactly_data() {
    const QByteArray head =
        "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0 ";
    const QByteArray row = "\\trowd\\cellx2000\\cellx4000 ";
    QTest::addColumn<QByteArray>("rtf");
    QTest::newRow("after line breaks") << head + "one\\par two\\line three\\par target}";
    QTest::newRow("in a table cell") << head + "before\\par " + row + "a\\cell b\\cell\\row " + row +
                                            "c\\cell x target\\cell\\row after}";
    QTest::newRow("after a table") << head + row + "a\\cell b\\cell\\row " + row + "c\\cell d\\cell\\row target}";
    QTest::newRow("after a picture") << head + "pic " + testing::pngPicture(8, 8) + " \\'d6\\'d0 target}";
    QTest::newRow("after emoji") << head + "\\u-10179?\\u-8704?\\u-10179?\\u-8703? target}";
    QTest::newRow("after sharp s") << head + "Stra\\u223?e target}";
}

// The match's offset in Text is its selection start, whatever stands before
// it; the selected characters are the match.
void FindCommands::matchIsSelectedExactly() {
    QFETCH(QByteArray, rtf);
    FormFixture f;
    QFile file(f.path("doc.rtf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(rtf);
    file.close();
    f.form->RichTextBox1->LoadFile(file.fileName());
    f.form->RestartSearch = false;
    const int expected = int(f.form->RichTextBox1->Text().indexOf(QStringLiteral("target")));
    QVERIFY(expected > 0);

    find(f, QStringLiteral("TARGET"));
    QCOMPARE(f.form->FoundPosition, expected + 1);
    QCOMPARE(f.form->RichTextBox1->SelText(), QStringLiteral("target"));
    f.form->FoundPosition = 0;
    findNext(f);
    QCOMPARE(f.form->RichTextBox1->SelStart(), expected);
    QCOMPARE(f.form->RichTextBox1->SelText(), QStringLiteral("target"));
}

void FindCommands::findAllColoursEveryMatchAndEnds() {
    FormFixture f;
    startWith(f, QStringLiteral("Pen, pen and PEN; pe"));
    f.form->RichTextBox1->setSelStart(14);
    f.platform.dialogs.answerInput(QStringLiteral("pen"));
    f.run([&] { f.form->mnufindall_Click(); });
    QCOMPARE(f.platform.dialogs.shown().size(), 1);
    expectPrompt(f.platform.dialogs.shown()[0], QString());
    QCOMPARE(blueMask(f), QStringLiteral("Pen..pen.....PEN...."));
    QCOMPARE(f.selection(), QStringLiteral("0+0"));  // Ctrl+Home
    QCOMPARE(f.platform.input.sentKeys, QStringList{QStringLiteral("^{HOME}")});
    QCOMPARE(f.form->SearchString, QString());
    QCOMPARE(f.form->FoundPosition, 0);
    QVERIFY(f.form->Modified);
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("Pen, pen and PEN; pe"));

    // The next Find Next asks for a new text.
    f.platform.dialogs.cancel(DialogKind::InputBox);
    findNext(f);
    QCOMPARE(f.platform.dialogs.shown().size(), 2);
}

void FindCommands::findAllAfterFindBeginsAfterTheMatch() {
    FormFixture f;
    startWith(f, QStringLiteral("ab ab ab"));
    find(f, QStringLiteral("ab"));
    f.run([&] { f.form->mnufindall_Click(); });
    QCOMPARE(f.platform.dialogs.shown().size(), 1);  // the text was kept
    QCOMPARE(blueMask(f), QStringLiteral("...ab.ab"));
}

// Find All colours the selection once more after the search that finds
// nothing; with no match at all that is whatever the user had selected.
void FindCommands::findAllWithoutMatchColoursTheSelection() {
    FormFixture f;
    startWith(f, QStringLiteral("some words"));
    f.form->RichTextBox1->setSelStart(5);
    f.form->RichTextBox1->setSelLength(5);
    f.platform.dialogs.answerInput(QStringLiteral("absent"));
    f.run([&] { f.form->mnufindall_Click(); });
    QCOMPARE(blueMask(f), QStringLiteral(".....words"));
    QCOMPARE(f.selection(), QStringLiteral("0+0"));
    QCOMPARE(f.form->SearchString, QString());
}

// Find's prompt cancelled after a match keeps FoundPosition with no text to
// look for. Find All asks once; cancelling that ends it (with its Ctrl+Home
// and its emptied search text) instead of asking again and again.
void FindCommands::findAllCancelledAfterAKeptMatchAsksOnce() {
    FormFixture f;
    startWith(f, QStringLiteral("red green red green"));
    find(f, QStringLiteral("red"));
    f.platform.dialogs.cancel(DialogKind::InputBox);
    f.run([&] { f.form->mnuFindItem_Click(); });
    QCOMPARE(f.form->FoundPosition, 1);

    f.platform.dialogs.cancel(DialogKind::InputBox);
    f.run([&] { f.form->mnufindall_Click(); });
    QCOMPARE(f.platform.dialogs.shown().size(), 3);
    QCOMPARE(f.platform.dialogs.pending(), 0);
    QCOMPARE(f.platform.input.sentKeys, QStringList{QStringLiteral("^{HOME}")});
    QCOMPARE(f.form->SearchString, QString());
    QCOMPARE(f.selection(), QStringLiteral("0+0"));

    // Answered instead, it searches on from the kept match plus the new
    // text's length, 1 + 5: the first "green" lies behind that.
    find(f, QStringLiteral("red"));
    f.platform.dialogs.cancel(DialogKind::InputBox);
    f.run([&] { f.form->mnuFindItem_Click(); });
    f.platform.dialogs.answerInput(QStringLiteral("green"));
    f.run([&] { f.form->mnufindall_Click(); });
    QCOMPARE(blueMask(f), QStringLiteral("red...........green"));  // "red" from the cancelled run
}

// Thousands of matches are one step of the undo history: one Undo takes the
// whole colouring back, the next one what came before it.
void FindCommands::findAllIsOneUndoStep() {
    FormFixture f;
    QString text;
    for (int i = 0; i < 2000; ++i)
        text += QStringLiteral("词 word ");
    startWith(f, text);
    f.type(QStringLiteral("typed "));
    f.form->RichTextBox1->setSelStart(0);
    f.platform.dialogs.answerInput(QStringLiteral("WORD"));
    f.run([&] { f.form->mnufindall_Click(); });
    QCOMPARE(blueMask(f).count(QStringLiteral("word")), 2000);

    f.run([&] { f.form->mnuUndo_Click(); });
    QCOMPARE(blueMask(f).count(QLatin1Char('.')), f.form->RichTextBox1->Text().size());
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("typed ") + text);
    f.run([&] { f.form->mnuUndo_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), text);
}

// Ctrl+Home goes to the box, so the editing area keeps the last match
// selected, in QTextEdit's own cursor too; the window hears of the selection
// once for the whole colouring, not once per match.
void FindCommands::findAllFromTheFontNameBoxLeavesTheLastMatchSelected() {
    FormFixture f;
    QString text;
    for (int i = 0; i < 500; ++i)
        text += QStringLiteral("字 ");
    startWith(f, text);
    f.platform.input.setFocus(f.form->Combo1);
    QTextEdit *edit = f.form->RichTextBox1->widget();
    QList<int> seen;
    connect(f.form->RichTextBox1, &RichTextBox::SelChange, this, [&] { seen << edit->textCursor().selectionStart(); });
    f.platform.dialogs.answerInput(QStringLiteral("字"));
    f.run([&] { f.form->mnufindall_Click(); });
    QCOMPARE(blueMask(f).count(QStringLiteral("字")), 500);
    QCOMPARE(edit->textCursor().selectionStart(), 998);
    QCOMPARE(edit->textCursor().selectionEnd(), 999);
    QCOMPARE(f.selection(), QStringLiteral("998+1"));
    QVERIFY2(seen.size() <= 3, qPrintable(QString::number(seen.size())));
    QCOMPARE(seen.last(), 998);
}

void FindCommands::findAllColourIsSavedAsBlue() {
    FormFixture f;
    startWith(f, QStringLiteral("蓝色的字，不是蓝色"));
    f.platform.dialogs.answerInput(QStringLiteral("蓝色"));
    f.run([&] { f.form->mnufindall_Click(); });
    f.platform.dialogs.answerSave(f.path("blue.rtf"));
    f.run([&] { f.form->mnuSaveAsItem_Click(); });

    QFile file(f.path("blue.rtf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray rtf = file.readAll();
    const qsizetype table = rtf.indexOf("{\\colortbl;");
    QVERIFY(table > 0);
    const QList<QByteArray> entries = rtf.mid(table + 11, rtf.indexOf('}', table) - table - 11).split(';');
    const int blueIndex = int(entries.indexOf("\\red0\\green0\\blue255")) + 1;
    QVERIFY2(blueIndex > 0, rtf.constData());
    QCOMPARE(rtf.count("\\cf" + QByteArray::number(blueIndex)), 2);

    // Read back, the same characters are blue.
    FormFixture g;
    g.form->RichTextBox1->LoadFile(f.path("blue.rtf"));
    QCOMPARE(blueMask(g), QStringLiteral("蓝色.....蓝色"));
}

void FindCommands::keysRunFindAndFindNext() {
    FormFixture f;
    startWith(f, QStringLiteral("key, key"));
    QWidget *editor = f.showWithEditorFocused();
    QVERIFY(editor);

    f.platform.dialogs.answerInput(QStringLiteral("key"));
    QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(f.platform.dialogs.shown().size(), 1);
    QCOMPARE(f.selection(), QStringLiteral("0+3"));
    QTest::keyClick(editor, Qt::Key_F3);
    QCOMPARE(f.selection(), QStringLiteral("5+3"));
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("key, key"));
}

QTEST_MAIN(FindCommands)
#include "test_find_commands.moc"
