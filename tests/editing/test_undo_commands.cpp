// Undo and Redo through their handlers and keys: what is taken back, where
// Undo does nothing (the font-name box, a fresh load, Close's emptying), the
// Redo item that never runs, and an undo that puts back a large document.
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "support/form_fixture.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

void undo(FormFixture &f) {
    f.run([&] { f.form->mnuUndo_Click(); });
}

void focusEditor(FormFixture &f) { f.platform.input.setFocus(f.form->RichTextBox1->widget()); }

struct RecordedRedo : RedoableEdit {
    bool can = false;
    int redone = 0;
    bool CanRedo() const override { return can; }
    void RedoAction() override { ++redone; }
};

}  // namespace

class UndoCommands : public QObject {
    Q_OBJECT
private slots:
    void undoTakesBackTheLastEdit();
    void undoOnlyInTheEditingArea();
    void loadsAndCloseAreNeverUndone();
    void keys();
    void redoHandlerAsItWouldRun();
    void largeUndoPutsEverythingBack();
};

// Taken back to the state last saved, the document still counts as modified.
void UndoCommands::undoTakesBackTheLastEdit() {
    FormFixture f;
    focusEditor(f);
    undo(f);  // nothing to undo
    QCOMPARE(f.platform.input.sentMessages, QList<quint32>{WM_UNDO});
    QCOMPARE(f.document(), (DocumentView{QString(), texts::PanelStatus, false}));

    f.type(QStringLiteral("撤销 this"));
    f.platform.dialogs.answerSave(f.path("saved.rtf"));
    f.run([&] { f.form->mnuSaveAsItem_Click(); });
    f.form->RichTextBox1->setSelStart(2);
    f.form->RichTextBox1->setSelLength(5);
    f.run([&] { f.form->mnuCutItem_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("撤销"));
    f.form->Modified = false;

    undo(f);
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("撤销 this"));
    QVERIFY(f.form->Modified);
}

// With the font-name box (or nothing) focused, Undo changes neither the box
// nor the document.
void UndoCommands::undoOnlyInTheEditingArea() {
    FormFixture f;
    f.type(QStringLiteral("text"));
    QLineEdit *box = f.form->Combo1->lineEdit();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("Arial"));
    QVERIFY(box->isUndoAvailable());

    f.platform.input.setFocus(f.form->Combo1);
    undo(f);
    f.platform.input.setFocus(nullptr);  // nothing focused
    undo(f);
    QCOMPARE(f.form->Combo1->currentText(), QStringLiteral("Arial"));
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("text"));
    QVERIFY(f.platform.input.sentMessages.isEmpty());
}

void UndoCommands::loadsAndCloseAreNeverUndone() {
    // Start-up's load.
    FormFixture f(false);
    f.platform.commandLine.text = f.writeRtf("cmd.rtf", QStringLiteral("命令行"));
    f.run([&] { f.form->Form_Load(); });
    focusEditor(f);
    undo(f);
    QCOMPARE(f.document(), (DocumentView{QStringLiteral("命令行"), f.path("cmd.rtf"), false}));

    // Open's, after typing.
    f.type(QStringLiteral("x"));
    f.platform.dialogs.answerMessage(vbNo);
    f.platform.dialogs.answerOpen(f.writeRtf("open.rtf", QStringLiteral("打开")));
    f.run([&] { f.form->mnuOpenItem_Click(); });
    undo(f);
    QCOMPARE(f.document(), (DocumentView{QStringLiteral("打开"), QStringLiteral("open.rtf"), false}));

    // Close's emptying.
    f.type(QStringLiteral("y"));
    f.platform.dialogs.answerMessage(vbNo);
    f.run([&] { f.form->mnuCloseItem_Click(); });
    undo(f);
    QCOMPARE(f.document(), (DocumentView{QString(), QString(), false}));
}

// Ctrl+Z runs Undo, in the editing area as in the font-name box (where it
// does nothing); Ctrl+Y does nothing even with a redo at hand, and the Redo
// item of the Edit menu, which is also the context menu, stays greyed.
void UndoCommands::keys() {
    FormFixture f;
    QWidget *editor = f.showWithEditorFocused();
    QVERIFY(editor);

    f.type(QStringLiteral("one"));
    f.form->RichTextBox1->setSelStart(3);
    f.form->RichTextBox1->setSelText(QStringLiteral(" two"));
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("one"));
    QVERIFY(f.form->RichTextBox1->document()->isRedoAvailable());
    QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("one"));
    QVERIFY(!f.form->mnuRedo->isEnabled());
    QVERIFY(f.form->mnuEdit->actions().contains(f.form->mnuRedo));

    QLineEdit *box = f.form->Combo1->lineEdit();
    box->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), f.form->Combo1);
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("Arial"));
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.form->Combo1->currentText(), QStringLiteral("Arial"));
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("one"));
}

// No edit object is ever bound and the item is greyed, so this never runs in
// the program; bound, it would redo and say so.
void UndoCommands::redoHandlerAsItWouldRun() {
    FormFixture f;
    f.run([&] { f.form->mnuRedo_Click(); });
    QVERIFY(f.platform.dialogs.shown().isEmpty());

    RecordedRedo edit;
    f.form->RedoTarget = &edit;
    for (const bool can : {true, false}) {
        edit.can = can;
        f.platform.dialogs.answerMessage(vbOK);
        f.run([&] { f.form->mnuRedo_Click(); });
        const ShownDialog shown = f.platform.dialogs.takeShown().value(0);
        QCOMPARE(shown.prompt, can ? texts::RedidIt : texts::NoRedo);
        QCOMPARE(shown.buttons, int(vbOKOnly));
        QCOMPARE(shown.title, QString());
    }
    QCOMPARE(edit.redone, 1);
}

// Select All, Del, Undo on a document of some size: every character comes
// back, the caret after it, and the window lays the document out again.
void UndoCommands::largeUndoPutsEverythingBack() {
    FormFixture f;
    QString text;
    for (int i = 0; i < 4000; ++i)
        text += QStringLiteral("第%1行 line of text, long enough to wrap once or twice\n").arg(i);
    f.form->RichTextBox1->setText(text);
    f.form->resize(700, 500);
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    focusEditor(f);
    QTextDocument *doc = f.form->RichTextBox1->document();
    const QSizeF pageSize = doc->pageSize();

    f.run([&] { f.form->mnuSelectAll_Click(); });
    f.run([&] { f.form->mnudel_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QString());
    f.form->Modified = false;
    undo(f);
    QCOMPARE(f.form->RichTextBox1->Text(), text);
    QCOMPARE(f.form->RichTextBox1->SelStart(), text.size());
    QVERIFY(f.form->Modified);
    QCOMPARE(doc->pageSize(), pageSize);
    QTRY_VERIFY(doc->documentLayout()->documentSize().height() > 4000 * 15);
    QVERIFY(f.form->RichTextBox1->widget()->cursorRect().bottom() <=
            f.form->RichTextBox1->widget()->viewport()->height());
}

QTEST_MAIN(UndoCommands)
#include "test_undo_commands.moc"
