// Close, Exit and closing the window: the save-changes prompt and each of
// its answers, what is written, what stays, and whether the program ends.
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/numbertext.h"
#include "shell/statusbar.h"
#include "support/form_fixture.h"

#include <QFile>
#include <QTest>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

void expectSavePrompt(const ShownDialog &d) {
    QCOMPARE(d.kind, DialogKind::MessageBox);
    QCOMPARE(d.prompt, texts::SaveChangesPrompt);
    QCOMPARE(d.buttons, int(vbYesNoCancel));
    QCOMPARE(d.title, QString());  // the application title
}

// A named, modified document: "named.rtf" on disk holds "v1", the editor
// holds "v2v1".
void openNamedAndEdit(FormFixture &f) {
    f.platform.dialogs.answerOpen(f.writeRtf("named.rtf", QStringLiteral("v1")));
    f.run([&] { f.form->mnuOpenItem_Click(); });
    f.type(QStringLiteral("v2"));
    f.platform.dialogs.takeShown();
}

QStringList placementKeys() {
    QStringList keys;
    for (const char *k : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
        keys << ScriptedSettings::path(texts::SettingsApp, texts::SettingsSection, QString::fromLatin1(k));
    return keys;
}

}  // namespace

class Closing : public QObject {
    Q_OBJECT
private slots:
    void changeNotificationSetsTheFlag();
    void closeUnmodifiedClearsWithoutPrompt();
    void closeAnswers();
    void closeYesWithoutNameKeepsTheDocument();
    void exitAnswers();
    void exitDoesNotLoseWorkWhenSaveDidNotHappen();
    void windowCloseStoresPlacement();
    void windowCloseCancelAndFailedSaveKeepWindowOpen();
    void windowCloseMinimizedAndFailingKeys();
    void toolbarNewSaveOpen();
};

void Closing::changeNotificationSetsTheFlag() {
    FormFixture f;
    QVERIFY(!f.form->Modified);
    f.type(QStringLiteral("a"));
    QVERIFY(f.form->Modified);
    f.form->Modified = false;
    f.form->RichTextBox1->setSelStart(0);
    f.form->RichTextBox1->setSelLength(1);
    f.form->RichTextBox1->setSelBold(true);  // formatting is a change too
    QVERIFY(f.form->Modified);
}

void Closing::closeUnmodifiedClearsWithoutPrompt() {
    FormFixture f;
    f.form->RichTextBox1->setText(QStringLiteral("text"));
    f.form->Modified = false;
    f.run([&] { f.form->mnuCloseItem_Click(); });
    QVERIFY(f.platform.dialogs.shown().isEmpty());
    QCOMPARE(f.form->RichTextBox1->Text(), QString());
    for (int p = 1; p <= 3; ++p)
        QCOMPARE(f.panel(p), QString());
    QVERIFY(!f.form->Modified);  // although clearing raised a change
}

void Closing::closeAnswers() {
    {  // Yes with a name: written, then cleared.
        FormFixture f;
        openNamedAndEdit(f);
        f.platform.dialogs.answerMessage(vbYes);
        f.run([&] { f.form->mnuCloseItem_Click(); });
        QCOMPARE(f.platform.dialogs.shown().size(), 1);
        expectSavePrompt(f.platform.dialogs.shown()[0]);
        QCOMPARE(FormFixture::readRtfText(f.path("named.rtf")), QStringLiteral("v2v1"));
        QCOMPARE(f.form->RichTextBox1->Text(), QString());
        QCOMPARE(f.panel(1), QString());
        QVERIFY(!f.form->Modified);
    }
    {  // No: cleared, nothing written.
        FormFixture f;
        openNamedAndEdit(f);
        f.platform.dialogs.answerMessage(vbNo);
        f.run([&] { f.form->mnuCloseItem_Click(); });
        QCOMPARE(FormFixture::readRtfText(f.path("named.rtf")), QStringLiteral("v1"));
        QCOMPARE(f.form->RichTextBox1->Text(), QString());
        QVERIFY(!f.form->Modified);
    }
    {  // Cancel: nothing changes.
        FormFixture f;
        openNamedAndEdit(f);
        f.platform.dialogs.answerMessage(vbCancel);
        f.run([&] { f.form->mnuCloseItem_Click(); });
        QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("v2v1"));
        QCOMPARE(f.panel(1), QStringLiteral("named.rtf"));
        QVERIFY(f.form->Modified);
    }
    {  // Yes, but the write fails: reported, and the document stays.
        FormFixture f;
        f.type(QStringLiteral("work"));
        f.form->StatusBar1->setPanelText(1, f.path("gone/x.rtf"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.answerMessage(vbOK);
        f.run([&] { f.form->mnuCloseItem_Click(); });
        QCOMPARE(f.platform.dialogs.shown().size(), 2);
        QVERIFY(f.platform.dialogs.shown()[1].prompt.contains(f.path("gone/x.rtf")));
        QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("work"));
        QVERIFY(f.form->Modified);
    }
}

void Closing::closeYesWithoutNameKeepsTheDocument() {
    {  // Completed Save As: the document stays, under its new name.
        FormFixture f;
        f.type(QStringLiteral("无名"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.answerSave(f.path("named"));
        f.run([&] { f.form->mnuCloseItem_Click(); });
        QCOMPARE(f.platform.dialogs.shown()[1].kind, DialogKind::FileSave);
        QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("无名"));
        QCOMPARE(f.panel(1), f.path("named.rtf"));
        QVERIFY(!f.form->Modified);
    }
    {  // Cancelled Save As: unchanged and still modified.
        FormFixture f;
        f.type(QStringLiteral("无名"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.cancel(DialogKind::FileSave);
        f.run([&] { f.form->mnuCloseItem_Click(); });
        QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("无名"));
        QCOMPARE(f.panel(1), texts::PanelStatus);
        QVERIFY(f.form->Modified);
    }
}

void Closing::exitAnswers() {
    {  // Not modified: ends at once, no prompt, no placement stored.
        FormFixture f;
        QVERIFY(f.run([&] { f.form->mnuExitItem_Click(); }));
        QVERIFY(f.platform.dialogs.shown().isEmpty());
        QVERIFY(f.platform.settings.writes.isEmpty());
    }
    {  // No: ends, nothing written.
        FormFixture f;
        openNamedAndEdit(f);
        f.platform.dialogs.answerMessage(vbNo);
        QVERIFY(f.run([&] { f.form->mnuExitItem_Click(); }));
        expectSavePrompt(f.platform.dialogs.shown()[0]);
        QCOMPARE(FormFixture::readRtfText(f.path("named.rtf")), QStringLiteral("v1"));
        QVERIFY(f.platform.settings.writes.isEmpty());
    }
    {  // Yes with a name: written, then ends.
        FormFixture f;
        openNamedAndEdit(f);
        f.platform.dialogs.answerMessage(vbYes);
        QVERIFY(f.run([&] { f.form->mnuExitItem_Click(); }));
        QCOMPARE(FormFixture::readRtfText(f.path("named.rtf")), QStringLiteral("v2v1"));
    }
    {  // Yes without a name: Save As, then ends.
        FormFixture f;
        f.type(QStringLiteral("new"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.answerSave(f.path("saved.rtf"));
        QVERIFY(f.run([&] { f.form->mnuExitItem_Click(); }));
        QCOMPARE(FormFixture::readRtfText(f.path("saved.rtf")), QStringLiteral("new"));
    }
    {  // Cancel: keeps running, unchanged.
        FormFixture f;
        f.type(QStringLiteral("new"));
        f.platform.dialogs.answerMessage(vbCancel);
        QVERIFY(!f.run([&] { f.form->mnuExitItem_Click(); }));
        QVERIFY(f.form->Modified);
        QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("new"));
    }
}

void Closing::exitDoesNotLoseWorkWhenSaveDidNotHappen() {
    {  // Save As cancelled.
        FormFixture f;
        f.type(QStringLiteral("precious"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.cancel(DialogKind::FileSave);
        QVERIFY(!f.run([&] { f.form->mnuExitItem_Click(); }));
        QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("precious"));
        QCOMPARE(f.panel(1), texts::PanelStatus);
        QVERIFY(f.form->Modified);
    }
    {  // In-place write failed.
        FormFixture f;
        f.type(QStringLiteral("precious"));
        f.form->StatusBar1->setPanelText(1, f.path("gone/x.rtf"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.answerMessage(vbOK);
        QVERIFY(!f.run([&] { f.form->mnuExitItem_Click(); }));
        QCOMPARE(f.platform.dialogs.shown()[1].buttons, int(vbOKOnly));
        QCOMPARE(f.panel(1), f.path("gone/x.rtf"));
        QVERIFY(f.form->Modified);
    }
}

void Closing::windowCloseStoresPlacement() {
    FormFixture f;
    f.form->setLeft(1500);
    f.form->setTop(-60);
    f.form->setWidth(9000);
    f.form->setHeight(7500);
    int cancel = 0;
    QVERIFY(f.run([&] { f.form->Form_Unload(cancel); }));
    QCOMPARE(cancel, 0);
    QVERIFY(f.platform.dialogs.shown().isEmpty());
    QCOMPARE(f.platform.settings.writes, placementKeys());
    const QStringList keys = placementKeys();
    QCOMPARE(f.platform.settings.values.value(keys[0]), singleToText(f.form->Left()));
    QCOMPARE(f.platform.settings.values.value(keys[1]), singleToText(f.form->Top()));
    QCOMPARE(f.platform.settings.values.value(keys[2]), singleToText(f.form->Width()));
    QCOMPARE(f.platform.settings.values.value(keys[3]), singleToText(f.form->Height()));
    for (const QString &k : keys)
        QVERIFY2(!f.platform.settings.values.value(k).contains('.'), qPrintable(f.platform.settings.values.value(k)));
}

void Closing::windowCloseCancelAndFailedSaveKeepWindowOpen() {
    {  // Cancel: the window stays, the document is unchanged.
        FormFixture f;
        f.type(QStringLiteral("x"));
        f.platform.dialogs.answerMessage(vbCancel);
        int cancel = 0;
        QVERIFY(!f.run([&] { f.form->Form_Unload(cancel); }));
        QVERIFY(cancel != 0);
        QVERIFY(f.form->Modified);
        QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("x"));
    }
    {  // Yes, Save As cancelled: like Cancel, the window stays.
        FormFixture f;
        f.type(QStringLiteral("x"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.cancel(DialogKind::FileSave);
        int cancel = 0;
        QVERIFY(!f.run([&] { f.form->Form_Unload(cancel); }));
        QVERIFY(cancel != 0);
        QVERIFY(f.form->Modified);
    }
    {  // Yes, Save As completes: written, and the window closes.
        FormFixture f;
        f.type(QStringLiteral("x"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.answerSave(f.path("closing"));
        int cancel = 0;
        QVERIFY(f.run([&] { f.form->Form_Unload(cancel); }));
        QCOMPARE(cancel, 0);
        QCOMPARE(FormFixture::readRtfText(f.path("closing.rtf")), QStringLiteral("x"));
    }
    {  // No: closes without writing.
        FormFixture f;
        f.type(QStringLiteral("x"));
        f.platform.dialogs.answerMessage(vbNo);
        int cancel = 0;
        QVERIFY(f.run([&] { f.form->Form_Unload(cancel); }));
    }
}

void Closing::windowCloseMinimizedAndFailingKeys() {
    {
        FormFixture f;
        f.form->show();
        f.form->setWindowState(Qt::WindowMinimized);
        QCOMPARE(f.form->WindowState(), int(vbMinimized));
        int cancel = 0;
        QVERIFY(f.run([&] { f.form->Form_Unload(cancel); }));
        QVERIFY(f.platform.settings.writes.isEmpty());
    }
    {
        FormFixture f;
        const QStringList keys = placementKeys();
        f.platform.settings.values[keys[1]] = QStringLiteral("77");
        f.platform.settings.failingWrites.insert(keys[1]);
        int cancel = 0;
        QVERIFY(f.run([&] { f.form->Form_Unload(cancel); }));
        QCOMPARE(f.platform.settings.values.value(keys[1]), QStringLiteral("77"));
        QVERIFY(f.platform.settings.values.contains(keys[2]));
        QVERIFY(f.platform.settings.values.contains(keys[3]));
    }
}

void Closing::toolbarNewSaveOpen() {
    {  // New is Close, prompt included.
        FormFixture f;
        f.type(QStringLiteral("x"));
        f.platform.dialogs.answerMessage(vbNo);
        f.run([&] { f.form->Toolbar1_ButtonClick({QStringLiteral("New")}); });
        expectSavePrompt(f.platform.dialogs.shown()[0]);
        QCOMPARE(f.form->RichTextBox1->Text(), QString());
        QVERIFY(!f.form->Modified);
    }
    {  // Save does nothing for an unmodified document, named or not.
        FormFixture f;
        f.run([&] { f.form->Toolbar1_ButtonClick({QStringLiteral("Save")}); });
        QVERIFY(f.platform.dialogs.shown().isEmpty());
        openNamedAndEdit(f);
        f.form->Modified = false;
        QFile::remove(f.path("named.rtf"));
        f.run([&] { f.form->Toolbar1_ButtonClick({QStringLiteral("Save")}); });
        QVERIFY(!QFile::exists(f.path("named.rtf")));
        // Modified and named: written in place, no dialog.
        f.type(QStringLiteral("!"));
        f.run([&] { f.form->Toolbar1_ButtonClick({QStringLiteral("Save")}); });
        QVERIFY(f.platform.dialogs.shown().isEmpty());
        QCOMPARE(FormFixture::readRtfText(f.path("named.rtf")), QStringLiteral("v2!v1"));
        QVERIFY(!f.form->Modified);
    }
    {  // Save, modified without a name: Save As.
        FormFixture f;
        f.type(QStringLiteral("y"));
        f.platform.dialogs.answerSave(f.path("tb"));
        f.run([&] { f.form->Toolbar1_ButtonClick({QStringLiteral("Save")}); });
        QCOMPARE(FormFixture::readRtfText(f.path("tb.rtf")), QStringLiteral("y"));
        QVERIFY(!f.form->Modified);
    }
    {  // Open and unknown keys.
        FormFixture f;
        f.platform.dialogs.cancel(DialogKind::FileOpen);
        f.run([&] { f.form->Toolbar1_ButtonClick({QStringLiteral("Open")}); });
        QCOMPARE(f.platform.dialogs.shown().size(), 1);
        f.run([&] { f.form->Toolbar1_ButtonClick({QStringLiteral("open")}); });
        f.run([&] { f.form->Toolbar1_ButtonClick({QString()}); });
        QCOMPARE(f.platform.dialogs.shown().size(), 1);
    }
}

QTEST_MAIN(Closing)
#include "test_closing.moc"
