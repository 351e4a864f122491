// Close, Exit and closing the window: the save-changes prompt and each of
// its answers, what is written, what stays, and whether the program ends.
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/numbertext.h"
#include "shell/statusbar.h"
#include "support/form_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
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

// A modified document named after a file in a folder that is no longer
// there, so that writing it fails for real.
DocumentView namedInMissingFolder(FormFixture &f) {
    f.type(QStringLiteral("precious"));
    f.form->StatusBar1->setPanelText(1, f.path("gone/x.rtf"));
    return f.document();
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
    void closeAnswers_data();
    void closeAnswers();
    void exitAnswers();
    void exitDoesNotLoseWorkWhenSaveDidNotHappen();
    void windowCloseStoresPlacement();
    void windowCloseCancelAndFailedSaveKeepWindowOpen();
    void windowCloseMaximizedStoresItsBounds();
    void windowCloseMinimizedAndFailingKeys();
    void toolbarSaveAndOpen();
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

void Closing::closeAnswers_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("menu Close") << QString();
    QTest::newRow("toolbar New") << QStringLiteral("New");
}

// Every answer to Close's prompt, from the menu and from the toolbar's New
// button, which must behave exactly alike. Close never ends the program and
// never touches the stored placement.
void Closing::closeAnswers() {
    QFETCH(QString, button);
    const auto closeDocument = [&](FormFixture &f) {
        QVERIFY(!f.run([&] {
            if (button.isEmpty())
                f.form->mnuCloseItem_Click();
            else
                f.form->Toolbar1_ButtonClick({button});
        }));
        QVERIFY(f.platform.settings.writes.isEmpty());
        QCOMPARE(f.platform.dialogs.pending(), 0);
    };
    const DocumentView cleared{QString(), QString(), false};
    {  // Yes with a name: written, then cleared.
        FormFixture f;
        openNamedAndEdit(f);
        f.platform.dialogs.answerMessage(vbYes);
        closeDocument(f);
        QCOMPARE(f.platform.dialogs.shown().size(), 1);
        expectSavePrompt(f.platform.dialogs.shown()[0]);
        QCOMPARE(FormFixture::readRtfText(f.path("named.rtf")), QStringLiteral("v2v1"));
        QCOMPARE(f.document(), cleared);
        QCOMPARE(f.panel(2), QString());
        QCOMPARE(f.panel(3), QString());
    }
    {  // No: cleared, nothing written.
        FormFixture f;
        openNamedAndEdit(f);
        f.platform.dialogs.answerMessage(vbNo);
        closeDocument(f);
        QCOMPARE(FormFixture::readRtfText(f.path("named.rtf")), QStringLiteral("v1"));
        QCOMPARE(f.document(), cleared);
    }
    {  // Cancel: nothing changes.
        FormFixture f;
        openNamedAndEdit(f);
        f.platform.dialogs.answerMessage(vbCancel);
        closeDocument(f);
        QCOMPARE(f.platform.dialogs.shown().size(), 1);
        QCOMPARE(FormFixture::readRtfText(f.path("named.rtf")), QStringLiteral("v1"));
        QCOMPARE(f.document(), (DocumentView{QStringLiteral("v2v1"), QStringLiteral("named.rtf"), true}));
    }
    {  // Yes, but the write fails: reported, and the document stays.
        FormFixture f;
        const DocumentView before = namedInMissingFolder(f);
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.answerMessage(vbOK);
        closeDocument(f);
        QCOMPARE(f.platform.dialogs.shown().size(), 2);
        expectCannotSave(f.platform.dialogs.shown()[1], before.name);
        QCOMPARE(f.document(), before);
    }
    {  // Yes without a name, Save As completed: the document stays, under
        // its new name.
        FormFixture f;
        f.type(QStringLiteral("无名"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.answerSave(f.path("named"));
        closeDocument(f);
        QCOMPARE(f.platform.dialogs.shown()[1].kind, DialogKind::FileSave);
        QCOMPARE(FormFixture::readRtfText(f.path("named.rtf")), QStringLiteral("无名"));
        QCOMPARE(f.document(), (DocumentView{QStringLiteral("无名"), f.path("named.rtf"), false}));
    }
    {  // Yes without a name, Save As cancelled: unchanged and still modified.
        FormFixture f;
        f.type(QStringLiteral("无名"));
        const DocumentView before = f.document();
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.cancel(DialogKind::FileSave);
        closeDocument(f);
        QCOMPARE(f.document(), before);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList());
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
        const DocumentView before = namedInMissingFolder(f);
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.answerMessage(vbOK);
        QVERIFY(!f.run([&] { f.form->mnuExitItem_Click(); }));
        QCOMPARE(f.platform.dialogs.shown().size(), 2);
        expectCannotSave(f.platform.dialogs.shown()[1], before.name);
        QCOMPARE(f.document(), before);
        QVERIFY(f.platform.settings.writes.isEmpty());
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

// The window's own close box (a real close event), when closing must not go
// on: the event is refused, the window stays shown, the program runs on with
// the document as it was, and the placement is stored all the same.
static void closeWindowExpectingItStays(FormFixture &f, const DocumentView &before) {
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    QVERIFY(!f.form->close());
    QVERIFY(f.form->isVisible());
    QVERIFY(!f.platform.process.ended);
    QCOMPARE(f.platform.dialogs.pending(), 0);
    QCOMPARE(f.document(), before);
    QCOMPARE(f.platform.settings.writes, placementKeys());
}

void Closing::windowCloseCancelAndFailedSaveKeepWindowOpen() {
    {  // Cancel.
        FormFixture f;
        f.form->setLeft(1500);
        f.form->setTop(900);
        f.form->setWidth(9000);
        f.form->setHeight(7500);
        f.form->show();
        // The outer size is settled once the frame is known.
        QTRY_COMPARE(f.form->Height(), 7500.0);
        f.type(QStringLiteral("x"));
        f.platform.dialogs.answerMessage(vbCancel);
        closeWindowExpectingItStays(f, f.document());
        QCOMPARE(f.platform.dialogs.shown().size(), 1);
        expectSavePrompt(f.platform.dialogs.shown()[0]);
        const QStringList keys = placementKeys();
        const QStringList stored{f.platform.settings.values.value(keys[0]), f.platform.settings.values.value(keys[1]),
                                 f.platform.settings.values.value(keys[2]), f.platform.settings.values.value(keys[3])};
        QCOMPARE(stored, (QStringList{"1500", "900", "9000", "7500"}));
    }
    {  // Yes, and writing the named document fails.
        FormFixture f;
        const DocumentView before = namedInMissingFolder(f);
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.answerMessage(vbOK);
        closeWindowExpectingItStays(f, before);
        QCOMPARE(f.platform.dialogs.shown().size(), 2);
        expectCannotSave(f.platform.dialogs.shown()[1], before.name);
        QVERIFY(!QFileInfo::exists(f.path("gone")));
    }
    {  // Yes without a name, and the name chosen in Save As cannot be written.
        FormFixture f;
        f.type(QStringLiteral("x"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.answerSave(f.path("gone/new"));
        f.platform.dialogs.answerMessage(vbOK);
        closeWindowExpectingItStays(f, f.document());
        const QList<ShownDialog> shown = f.platform.dialogs.shown();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[1].kind, DialogKind::FileSave);
        expectCannotSave(shown[2], f.path("gone/new.rtf"));
    }
    {  // Yes, Save As cancelled.
        FormFixture f;
        f.type(QStringLiteral("x"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.cancel(DialogKind::FileSave);
        closeWindowExpectingItStays(f, f.document());
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList());
    }
    {  // Yes, Save As completes: written, and the window closes.
        FormFixture f;
        f.type(QStringLiteral("x"));
        f.platform.dialogs.answerMessage(vbYes);
        f.platform.dialogs.answerSave(f.path("closing"));
        f.form->show();
        QVERIFY(f.form->close());
        QVERIFY(f.platform.process.ended);
        QCOMPARE(FormFixture::readRtfText(f.path("closing.rtf")), QStringLiteral("x"));
        QCOMPARE(f.platform.settings.writes, placementKeys());
    }
    {  // No: closes without writing.
        FormFixture f;
        f.type(QStringLiteral("x"));
        f.platform.dialogs.answerMessage(vbNo);
        f.form->show();
        QVERIFY(f.form->close());
        QVERIFY(f.platform.process.ended);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList());
        QCOMPARE(f.platform.settings.writes, placementKeys());
    }
}

// A maximized window stores the bounds it has while maximized, and the next
// start opens a normal window with exactly those bounds.
void Closing::windowCloseMaximizedStoresItsBounds() {
    ScriptedSettings kept;
    QRect maximized;
    {
        FormFixture f;
        f.form->setLeft(1500);
        f.form->setTop(900);
        f.form->setWidth(6000);
        f.form->setHeight(4500);
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        f.form->showMaximized();
        QTRY_COMPARE(f.form->WindowState(), int(vbMaximized));
        QTRY_COMPARE(f.form->frameGeometry(), f.form->screen()->availableGeometry());
        maximized = f.form->frameGeometry();
        QVERIFY(f.form->close());
        QVERIFY(f.platform.process.ended);
        kept.values = f.platform.settings.values;
    }
    const QStringList keys = placementKeys();
    const QStringList stored{kept.values.value(keys[0]), kept.values.value(keys[1]), kept.values.value(keys[2]),
                             kept.values.value(keys[3])};
    const QStringList expected{
        singleToText(maximized.x() * twipsPerPixelX()), singleToText(maximized.y() * twipsPerPixelY()),
        singleToText(maximized.width() * twipsPerPixelX()), singleToText(maximized.height() * twipsPerPixelY())};
    QCOMPARE(stored, expected);

    FormFixture next(false);
    next.platform.settings.values = kept.values;
    next.run([&] { next.form->Form_Load(); });
    next.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(next.form.get()));
    QCOMPARE(next.form->WindowState(), int(vbNormal));
    QTRY_COMPARE(next.form->frameGeometry(), maximized);
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

void Closing::toolbarSaveAndOpen() {
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
