// Open: the prompt for a modified document, the open dialog and its options,
// the loaded content, status panel 1, the flag and the current directory.
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/statusbar.h"
#include "support/form_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace pennaro;
using namespace pennaro::testing;

class OpenCommand : public QObject {
    Q_OBJECT
private slots:
    void unmodifiedOpensAtOnce();
    void yesWithNameWritesFirst();
    void noThenCancelKeepsTheModifiedDocument();
    void yesWithoutNameAndCancelledSaveAsStops();
    void yesWithoutNameSavesThenOpens();
    void saveStepThatFailsStopsTheOpen_data();
    void saveStepThatFailsStopsTheOpen();
    void promptCancelDoesNothing();
    void allFilesPickIsReadAsRtf();
};

void OpenCommand::unmodifiedOpensAtOnce() {
    FormFixture f;
    QDir(f.dir.path()).mkpath("sub");
    const QString file = f.writeRtf("sub/a.rtf", QStringLiteral("中文内容\n第二段"));
    f.form->CommonDialog1.Flags = 0x103;  // whatever an earlier command left
    f.platform.dialogs.answerOpen(file);
    f.run([&] { f.form->mnuOpenItem_Click(); });

    const QList<ShownDialog> shown = f.platform.dialogs.shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, DialogKind::FileOpen);
    QCOMPARE(shown[0].flags, 0x1000);
    QCOMPARE(shown[0].filter, texts::FileFilter);
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("中文内容\n第二段"));
    QCOMPARE(f.panel(1), QStringLiteral("a.rtf"));
    QVERIFY(!f.form->Modified);
    QCOMPARE(QDir::current().absolutePath(), QFileInfo(file).absolutePath());
    QCOMPARE(f.form->CommonDialog1.Flags, 0x1000);
}

void OpenCommand::yesWithNameWritesFirst() {
    FormFixture f;
    f.platform.dialogs.answerOpen(f.writeRtf("doc.rtf", QStringLiteral("one")));
    f.run([&] { f.form->mnuOpenItem_Click(); });
    f.type(QStringLiteral("two "));
    f.platform.dialogs.takeShown();

    f.platform.dialogs.answerMessage(vbYes);
    f.platform.dialogs.cancel(DialogKind::FileOpen);
    f.run([&] { f.form->mnuOpenItem_Click(); });
    const QList<ShownDialog> shown = f.platform.dialogs.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].prompt, texts::SaveChangesPrompt);
    QCOMPARE(shown[0].buttons, int(vbYesNoCancel));
    QCOMPARE(shown[1].kind, DialogKind::FileOpen);
    QCOMPARE(FormFixture::readRtfText(f.path("doc.rtf")), QStringLiteral("two one"));
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("two one"));
    QVERIFY(!f.form->Modified);
}

void OpenCommand::noThenCancelKeepsTheModifiedDocument() {
    FormFixture f;
    f.type(QStringLiteral("draft"));
    f.platform.dialogs.answerMessage(vbNo);
    f.platform.dialogs.cancel(DialogKind::FileOpen);
    f.run([&] { f.form->mnuOpenItem_Click(); });
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("draft"));
    QCOMPARE(f.panel(1), texts::PanelStatus);
    QVERIFY(f.form->Modified);
}

void OpenCommand::yesWithoutNameAndCancelledSaveAsStops() {
    FormFixture f;
    f.type(QStringLiteral("unsaved"));
    const QString other = f.writeRtf("other.rtf", QStringLiteral("other"));
    f.platform.dialogs.answerMessage(vbYes);
    f.platform.dialogs.cancel(DialogKind::FileSave);
    f.run([&] { f.form->mnuOpenItem_Click(); });
    // No open dialog follows: the unsaved text would be discarded.
    QCOMPARE(f.platform.dialogs.shown().size(), 2);
    QCOMPARE(f.platform.dialogs.pending(), 0);
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("unsaved"));
    QVERIFY(f.form->Modified);
    Q_UNUSED(other);
}

void OpenCommand::yesWithoutNameSavesThenOpens() {
    FormFixture f;
    f.type(QStringLiteral("first"));
    const QString other = f.writeRtf("other.rtf", QStringLiteral("other"));
    f.platform.dialogs.answerMessage(vbYes);
    f.platform.dialogs.answerSave(f.path("first"));
    f.platform.dialogs.answerOpen(other);
    f.run([&] { f.form->mnuOpenItem_Click(); });
    QCOMPARE(FormFixture::readRtfText(f.path("first.rtf")), QStringLiteral("first"));
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("other"));
    QCOMPARE(f.panel(1), QStringLiteral("other.rtf"));
    QVERIFY(!f.form->Modified);
}

void OpenCommand::saveStepThatFailsStopsTheOpen_data() {
    QTest::addColumn<bool>("named");
    QTest::newRow("named") << true;
    QTest::newRow("unnamed, Save As") << false;
}

// The write of the save step fails (its folder is gone): the user is told
// once, and no open dialog follows, because loading a file now would throw
// the unsaved text away.
void OpenCommand::saveStepThatFailsStopsTheOpen() {
    QFETCH(bool, named);
    FormFixture f;
    f.type(QStringLiteral("unsaved"));
    if (named)
        f.form->StatusBar1->setPanelText(1, f.path("gone/doc.rtf"));
    const DocumentView before = f.document();
    f.platform.dialogs.answerMessage(vbYes);
    if (!named)
        f.platform.dialogs.answerSave(f.path("gone/doc"));
    f.platform.dialogs.answerMessage(vbOK);
    QVERIFY(!f.run([&] { f.form->mnuOpenItem_Click(); }));

    const QList<ShownDialog> shown = f.platform.dialogs.shown();
    QCOMPARE(shown.size(), named ? 2 : 3);
    QCOMPARE(shown[0].prompt, texts::SaveChangesPrompt);
    if (!named)
        QCOMPARE(shown[1].kind, DialogKind::FileSave);
    expectCannotSave(shown.last(), f.path("gone/doc.rtf"));
    QCOMPARE(f.platform.dialogs.pending(), 0);
    QCOMPARE(f.document(), before);
    QVERIFY(!QFileInfo::exists(f.path("gone")));
    QVERIFY(f.platform.settings.writes.isEmpty());
}

void OpenCommand::promptCancelDoesNothing() {
    FormFixture f;
    f.type(QStringLiteral("x"));
    f.platform.dialogs.answerMessage(vbCancel);
    f.run([&] { f.form->mnuOpenItem_Click(); });
    QCOMPARE(f.platform.dialogs.shown().size(), 1);
    QVERIFY(f.form->Modified);
}

// Through the "all files" entry any file can be picked; it is read as RTF
// whatever its extension. A .txt holding RTF opens like any RTF file; one
// holding plain text is refused without a message and changes nothing.
void OpenCommand::allFilesPickIsReadAsRtf() {
    FormFixture f;
    // The scripted dialog answers with the entry it was shown with.
    f.form->CommonDialog1.FilterIndex = 2;
    QFile disguised(f.writeRtf("good.rtf", QStringLiteral("good")));
    QVERIFY(disguised.rename(f.path("good.txt")));
    f.platform.dialogs.answerOpen(f.path("good.txt"));
    f.run([&] { f.form->mnuOpenItem_Click(); });
    QCOMPARE(f.platform.dialogs.shown().value(0).filterIndex, 2);
    QCOMPARE(f.document(), (DocumentView{QStringLiteral("good"), QStringLiteral("good.txt"), false}));

    f.type(QStringLiteral("+"));
    f.platform.dialogs.takeShown();
    QFile plain(f.path("notes.txt"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("just text, not RTF\n");
    plain.close();
    const DocumentView before = f.document();
    f.platform.dialogs.answerMessage(vbNo);
    f.platform.dialogs.answerOpen(plain.fileName());
    f.run([&] { f.form->mnuOpenItem_Click(); });
    QCOMPARE(f.platform.dialogs.shown().size(), 2);  // prompt, dialog; no message
    QCOMPARE(f.document(), before);
}

QTEST_MAIN(OpenCommand)
#include "test_open_command.moc"
