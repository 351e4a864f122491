// Copy, Cut, Paste, Del and Select All through their handlers: what lands on
// the clipboard, what the document holds afterwards, the selection and the
// modified flag; and the keys and the other ways text leaves or enters the
// editing area.
#include "platform/editorwidget.h"
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "support/form_fixture.h"
#include "support/rtf_samples.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

void select(FormFixture &f, int start, int length) {
    f.form->RichTextBox1->setSelStart(start);
    f.form->RichTextBox1->setSelLength(length);
}

// True when every character of [start, start + length) is bold.
bool allBold(const FormFixture &f, int start, int length) {
    QTextCursor probe(f.form->RichTextBox1->document());
    for (int i = start; i < start + length; ++i) {
        probe.setPosition(i + 1);
        if (probe.charFormat().fontWeight() < QFont::DemiBold)
            return false;
    }
    return true;
}

// Bold as part of setting up a document: it still counts as clean.
void makeBold(FormFixture &f, int start, int length) {
    QTextCursor cursor(f.form->RichTextBox1->document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(bold);
    f.form->Modified = false;
}

// The editing widget's transfer hooks, reachable for a check.
struct TransferProbe : EditorWidget {
    using EditorWidget::createMimeDataFromSelection;
};

}  // namespace

class ClipboardCommands : public QObject {
    Q_OBJECT
private slots:
    void copyPutsThePlainSelectionOnTheClipboard();
    void copyAndCutWithNothingSelected();
    void cutMovesTheSelectionToTheClipboard();
    void pasteReplacesTheSelection();
    void pasteOfRtfMarkupInsertsFormattedContent();
    void aClipboardThatFailsLeavesTheDocument();
    void delActsInTheFocusedControl();
    void selectAllSelectsText();
    void keysRunThePlainTextCommands();
    void dragsAndDropsCarryPlainText();
};

void ClipboardCommands::copyPutsThePlainSelectionOnTheClipboard() {
    FormFixture f;
    f.startWith(QStringLiteral("你好 world\n第二行"));
    makeBold(f, 3, 5);
    select(f, 3, 8);
    f.run([&] { f.form->mnuCopyItem_Click(); });
    QCOMPARE(f.platform.clipboard.text_, QStringLiteral("world\n第二"));
    QCOMPARE(f.selection(), QStringLiteral("3+8"));
    QVERIFY(!f.form->Modified);

    // Pasted back, the text comes without its bold.
    f.form->RichTextBox1->setSelStart(12);
    f.run([&] { f.form->mnuPasteItem_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("你好 world\n第二行world\n第二"));
    QVERIFY(allBold(f, 3, 5));
    QVERIFY(!allBold(f, 12, 1) && !allBold(f, 16, 1));
    QCOMPARE(f.selection(), QStringLiteral("20+0"));
    QVERIFY(f.form->Modified);
}

// The clipboard's old content is gone and it holds empty text, so a Paste
// inserts nothing; Cut changes nothing in the document.
void ClipboardCommands::copyAndCutWithNothingSelected() {
    FormFixture f;
    f.startWith(QStringLiteral("text"));
    f.form->RichTextBox1->setSelStart(2);
    f.platform.clipboard.text_ = QStringLiteral("old");
    f.run([&] { f.form->mnuCopyItem_Click(); });
    QCOMPARE(f.platform.clipboard.text_, QString(QLatin1String("")));
    f.run([&] { f.form->mnuPasteItem_Click(); });
    QCOMPARE(f.document(), (DocumentView{QStringLiteral("text"), QStringLiteral("状态"), false}));

    f.platform.clipboard.text_ = QStringLiteral("old");
    f.run([&] { f.form->mnuCutItem_Click(); });
    QCOMPARE(f.platform.clipboard.text_, QString(QLatin1String("")));
    QCOMPARE(f.document(), (DocumentView{QStringLiteral("text"), QStringLiteral("状态"), false}));
}

void ClipboardCommands::cutMovesTheSelectionToTheClipboard() {
    FormFixture f;
    f.startWith(QStringLiteral("剪切 this\nline"));
    makeBold(f, 0, 2);
    select(f, 0, 8);
    f.run([&] { f.form->mnuCutItem_Click(); });
    QCOMPARE(f.platform.clipboard.text_, QStringLiteral("剪切 this\n"));
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("line"));
    QCOMPARE(f.selection(), QStringLiteral("0+0"));
    QVERIFY(f.form->Modified);
}

void ClipboardCommands::pasteReplacesTheSelection() {
    FormFixture f;
    f.startWith(QStringLiteral("abc def"));
    select(f, 4, 3);
    f.platform.clipboard.text_ = QStringLiteral("粘贴\r\n二");
    f.run([&] { f.form->mnuPasteItem_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("abc 粘贴\n二"));
    QCOMPARE(f.selection(), QStringLiteral("8+0"));
    QVERIFY(f.form->Modified);

    // A clipboard without text (empty, or only a picture): the selection
    // goes and nothing comes in its place.
    f.platform.clipboard.text_.reset();
    select(f, 0, 4);
    f.run([&] { f.form->mnuPasteItem_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("粘贴\n二"));
    QCOMPARE(f.selection(), QStringLiteral("0+0"));
}

// RTF source copied as text (here with GBK Chinese, bold and a picture)
// arrives as the formatted content, not as its markup.
void ClipboardCommands::pasteOfRtfMarkupInsertsFormattedContent() {
    FormFixture f;
    f.startWith(QStringLiteral("[]"));
    f.form->RichTextBox1->setSelStart(1);
    const QByteArray markup = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}"
                              "\\f0\\'c7\\'b0{\\b \\'b4\\'d6\\'cc\\'e5}\\'ba\\'f3" +
                              pngPicture(6, 4, Qt::blue) + "}";
    f.platform.clipboard.text_ = QString::fromLatin1(markup);
    f.run([&] { f.form->mnuPasteItem_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QString::fromUtf16(u"[前粗体后\uFFFC]"));
    QVERIFY(allBold(f, 2, 2));
    QVERIFY(!allBold(f, 1, 1) && !allBold(f, 4, 1));
    QTextCursor probe(f.form->RichTextBox1->document());
    probe.setPosition(6);
    QVERIFY(probe.charFormat().isImageFormat());
    QVERIFY(f.form->Modified);

    f.platform.dialogs.answerSave(f.path("pasted.rtf"));
    f.run([&] { f.form->mnuSaveAsItem_Click(); });
    QFile saved(f.path("pasted.rtf"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray rtf = saved.readAll();
    QVERIFY(rtf.contains("\\pngblip"));
    QCOMPARE(FormFixture::readRtfText(saved.fileName()), QString::fromUtf16(u"[前粗体后\uFFFC]"));
}

// Another program holding the clipboard fails the command; the document and
// the flag stay as they were, and the program goes on.
void ClipboardCommands::aClipboardThatFailsLeavesTheDocument() {
    FormFixture f;
    f.startWith(QStringLiteral("keep all of this"));
    select(f, 5, 3);
    f.platform.clipboard.held = true;
    for (auto handler : {&Form1::mnuCutItem_Click, &Form1::mnuPasteItem_Click, &Form1::mnuCopyItem_Click}) {
        QVERIFY(!f.run([&] { (f.form.get()->*handler)(); }));
        QCOMPARE(f.document(), (DocumentView{QStringLiteral("keep all of this"), QStringLiteral("状态"), false}));
        QCOMPARE(f.selection(), QStringLiteral("5+3"));
    }
    f.platform.clipboard.held = false;
    f.run([&] { f.form->mnuCutItem_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("keep  of this"));
}

void ClipboardCommands::delActsInTheFocusedControl() {
    FormFixture f;
    f.startWith(QStringLiteral("abcdef"));
    select(f, 1, 2);
    f.run([&] { f.form->mnudel_Click(); });
    QCOMPARE(f.platform.input.sentKeys, QStringList{QStringLiteral("{DELETE}")});
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("adef"));
    QVERIFY(f.form->Modified);

    f.form->RichTextBox1->setSelStart(1);
    f.run([&] { f.form->mnudel_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("aef"));

    // At the end with nothing selected: nothing to delete.
    f.form->Modified = false;
    f.form->RichTextBox1->setSelStart(3);
    f.run([&] { f.form->mnudel_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("aef"));
    QVERIFY(!f.form->Modified);

    // In the font-name box it edits the box's text, not the document.
    QLineEdit *box = f.form->Combo1->lineEdit();
    f.form->Combo1->setEditText(QStringLiteral("宋体x"));
    box->setCursorPosition(2);
    f.platform.input.setFocus(f.form->Combo1);  // the box has the focus, its edit field the keys
    f.run([&] { f.form->mnudel_Click(); });
    QCOMPARE(f.form->Combo1->currentText(), QStringLiteral("宋体"));
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("aef"));
    QVERIFY(!f.form->Modified);
}

void ClipboardCommands::selectAllSelectsText() {
    FormFixture f;
    f.startWith(QString());
    f.run([&] { f.form->mnuSelectAll_Click(); });
    QCOMPARE(f.selection(), QStringLiteral("0+0"));

    QFile file(f.path("mixed.rtf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1\\ansi \\u-10179?\\u-8704? one\\par\\trowd\\cellx1000 cell\\cell\\row " + pngPicture(2, 2) +
               " end}");
    file.close();
    f.form->RichTextBox1->LoadFile(file.fileName());
    f.form->Modified = false;
    QSignalSpy selChange(f.form->RichTextBox1, &RichTextBox::SelChange);
    f.run([&] { f.form->mnuSelectAll_Click(); });
    const QString text = f.form->RichTextBox1->Text();
    QCOMPARE(f.selection(), QStringLiteral("0+%1").arg(text.size()));
    QCOMPARE(f.form->RichTextBox1->SelText(), text);
    QVERIFY(!selChange.isEmpty());
    QVERIFY(!f.form->Modified);
}

// Ctrl+C, Ctrl+X and Ctrl+V run the window's plain-text commands; the other
// bindings of the same actions (Ctrl+Insert, Shift+Insert, Shift+Delete) do
// nothing at all, neither through the commands nor through QTextEdit's own
// rich clipboard.
void ClipboardCommands::keysRunThePlainTextCommands() {
    FormFixture f;
    f.startWith(QStringLiteral("plain and bold"));
    makeBold(f, 10, 4);
    QWidget *editor = f.showWithEditorFocused();
    QVERIFY(editor);
    QGuiApplication::clipboard()->setText(QStringLiteral("system"));

    select(f, 10, 4);
    for (const QKeyCombination key :
         {Qt::CTRL | Qt::Key_Insert, Qt::SHIFT | Qt::Key_Insert, Qt::SHIFT | Qt::Key_Delete}) {
        QTest::keyClick(editor, key.key(), key.keyboardModifiers());
        QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("plain and bold"));
        QCOMPARE(f.platform.clipboard.text_, std::nullopt);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("system"));
    }
    QVERIFY(!f.form->Modified);

    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(f.platform.clipboard.text_, QStringLiteral("bold"));
    QTest::keyClick(editor, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("plain and "));
    f.form->RichTextBox1->setSelStart(0);
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("boldplain and "));
    QVERIFY(!allBold(f, 0, 1));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("system"));
}

// What leaves the editing area by the X11 selection or a drag is plain text,
// and what is dropped into it arrives as plain text.
void ClipboardCommands::dragsAndDropsCarryPlainText() {
    TransferProbe editor;
    editor.setPlainText(QStringLiteral("one\ntwo"));
    editor.selectAll();
    std::unique_ptr<QMimeData> out(editor.createMimeDataFromSelection());
    QCOMPARE(out->formats(), QStringList{QStringLiteral("text/plain")});
    QCOMPARE(out->text(), QStringLiteral("one\ntwo"));
    // The X11 selection is read when another program asks for it: the
    // selected text as it stands then, wherever edits have moved it, and
    // nothing once it has been deleted.
    QTextCursor two(editor.document());
    two.setPosition(4);
    two.setPosition(7, QTextCursor::KeepAnchor);
    editor.setTextCursor(two);
    std::unique_ptr<QMimeData> primary(editor.createMimeDataFromSelection());
    QTextCursor(editor.document()).insertText(QStringLiteral("zero\n"));
    QCOMPARE(primary->text(), QStringLiteral("two"));
    editor.textCursor().removeSelectedText();
    QCOMPARE(primary->text(), QString());

    FormFixture f;
    f.startWith(QStringLiteral("ab"));
    f.form->resize(600, 400);
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    QMimeData in;
    in.setHtml(QStringLiteral("<b>粗</b>"));
    in.setText(QStringLiteral("粗"));
    QWidget *viewport = f.form->RichTextBox1->widget()->viewport();
    const QPoint at =
        f.form->RichTextBox1->widget()->cursorRect(QTextCursor(f.form->RichTextBox1->document())).center();
    QDragEnterEvent enter(at, Qt::CopyAction, &in, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &in, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QVERIFY(f.form->RichTextBox1->Text().contains(QStringLiteral("粗")));
    QCOMPARE(f.form->RichTextBox1->Text().size(), 3);
    const int dropped = int(f.form->RichTextBox1->Text().indexOf(QStringLiteral("粗")));
    QVERIFY(!allBold(f, dropped, 1));
}

QTEST_MAIN(ClipboardCommands)
#include "test_clipboard_commands.moc"
