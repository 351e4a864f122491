// Save and Save As through the menu handlers: the dialogs shown, what lands
// on disk, the name in status panel 1 and the modified flag.
#include "document/rtf_extension.h"
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/statusbar.h"
#include "support/form_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <unistd.h>

using namespace pennaro;
using namespace pennaro::testing;

class SaveCommands : public QObject {
    Q_OBJECT
private slots:
    void extensionRule_data();
    void extensionRule();
    void saveAsWritesRtfAndNamesTheDocument();
    void saveAsCancelChangesNothing();
    void saveWithoutNameFallsBackToSaveAs();
    void saveRewritesUnmodifiedNamedDocument();
    void saveAfterOpenWritesIntoTheOpenedFolder();
    void saveAsAfterOpenShowsWhatTheSharedDialogHolds();
    void saveAsAsksBeforeReplacing();
    void failedWritesAreReportedAndHarmless_data();
    void failedWritesAreReportedAndHarmless();
};

// clang-format off
void SaveCommands::extensionRule_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("bare") << "d/report" << "d/report.rtf";
    QTest::newRow("upper") << "d/report.RTF" << "d/report.RTF";
    QTest::newRow("mixed") << "d/Report.Rtf" << "d/Report.Rtf";
    QTest::newRow("other ext") << "d/notes.txt" << "d/notes.txt.rtf";
    QTest::newRow("rtfx") << "d/report.rtfx" << "d/report.rtfx";
    QTest::newRow("inside") << "d/Report.RTF.bak" << "d/Report.RTF.bak";
    QTest::newRow("folder only, slash") << "home/u/old.rtf.files/report" << "home/u/old.rtf.files/report.rtf";
    QTest::newRow("folder only, backslash") << "C:\\old.rtf.files\\report" << "C:\\old.rtf.files\\report.rtf";
    QTest::newRow("chinese") << "d/报告" << "d/报告.rtf";
}
// clang-format on

// The rule itself, and the same rule through Save As: the file that lands on
// disk and the name panel 1 shows. (On this system a backslash is part of a
// file's name, so that row writes one oddly named file; the rule still only
// looks at what follows the last separator of either kind.)
void SaveCommands::extensionRule() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QCOMPARE(withRtfExtension(chosen), written);

    FormFixture f;
    QVERIFY(QDir(f.dir.path()).mkpath(QFileInfo(f.path(chosen)).path()));
    f.type(QStringLiteral("规则"));
    f.platform.dialogs.answerSave(f.path(chosen));
    f.run([&] { f.form->mnuSaveAsItem_Click(); });
    QCOMPARE(f.platform.dialogs.shown().size(), 1);
    QCOMPARE(FormFixture::readRtfText(f.path(written)), QStringLiteral("规则"));
    if (written != chosen)
        QVERIFY(!QFileInfo::exists(f.path(chosen)));
    QCOMPARE(f.document(), (DocumentView{QStringLiteral("规则"), f.path(written), false}));
}

void SaveCommands::saveAsWritesRtfAndNamesTheDocument() {
    FormFixture f;
    f.type(QStringLiteral("你好 world"));
    QVERIFY(f.form->Modified);
    f.platform.dialogs.answerSave(f.path("report"));
    bool written = false;
    f.run([&] { written = f.form->mnuSaveAsItem_Click(); });

    QVERIFY(written);
    const QList<ShownDialog> shown = f.platform.dialogs.shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, DialogKind::FileSave);
    QCOMPARE(shown[0].filter, texts::FileFilter);
    QCOMPARE(FormFixture::readRtfText(f.path("report.rtf")), QStringLiteral("你好 world"));
    QCOMPARE(f.panel(1), f.path("report.rtf"));
    QVERIFY(!f.form->Modified);
}

void SaveCommands::saveAsCancelChangesNothing() {
    FormFixture f;
    f.type(QStringLiteral("draft"));
    f.platform.dialogs.cancel(DialogKind::FileSave);
    bool written = true;
    f.run([&] { written = f.form->mnuSaveAsItem_Click(); });
    QVERIFY(!written);
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList());
    QCOMPARE(f.panel(1), texts::PanelStatus);
    QVERIFY(f.form->Modified);
    QCOMPARE(f.form->RichTextBox1->Text(), QStringLiteral("draft"));
}

void SaveCommands::saveWithoutNameFallsBackToSaveAs() {
    for (const QString &noName : {texts::PanelStatus, QString()}) {
        FormFixture f;
        f.form->StatusBar1->setPanelText(1, noName);
        f.type(QStringLiteral("x"));
        f.platform.dialogs.answerSave(f.path("first.rtf"));
        f.run([&] { f.form->mnuSave_Click(); });
        QCOMPARE(f.platform.dialogs.shown().size(), 1);
        QCOMPARE(FormFixture::readRtfText(f.path("first.rtf")), QStringLiteral("x"));
        QCOMPARE(f.panel(1), f.path("first.rtf"));
        QVERIFY(!f.form->Modified);
    }
}

void SaveCommands::saveRewritesUnmodifiedNamedDocument() {
    FormFixture f;
    f.type(QStringLiteral("keep"));
    f.platform.dialogs.answerSave(f.path("k.rtf"));
    f.run([&] { f.form->mnuSaveAsItem_Click(); });
    QVERIFY(QFile::remove(f.path("k.rtf")));
    QVERIFY(!f.form->Modified);

    f.run([&] { f.form->mnuSave_Click(); });
    QCOMPARE(f.platform.dialogs.shown().size(), 1);  // no dialog the second time
    QCOMPARE(FormFixture::readRtfText(f.path("k.rtf")), QStringLiteral("keep"));
    QVERIFY(!f.form->Modified);
}

void SaveCommands::saveAfterOpenWritesIntoTheOpenedFolder() {
    FormFixture f;
    QVERIFY(QDir(f.dir.path()).mkpath("docs"));
    const QString original = f.writeRtf("docs/a.rtf", QStringLiteral("原文"));
    f.platform.dialogs.answerOpen(original);
    f.run([&] { f.form->mnuOpenItem_Click(); });
    QCOMPARE(f.panel(1), QStringLiteral("a.rtf"));
    QCOMPARE(QDir::current().absolutePath(), QFileInfo(original).absolutePath());

    f.type(QStringLiteral("新"));
    f.run([&] { f.form->mnuSave_Click(); });
    QCOMPARE(FormFixture::readRtfText(original), QStringLiteral("新原文"));
    QVERIFY(!QFile::exists(f.path("a.rtf")));
    QVERIFY(!f.form->Modified);
}

// The shared dialog carries over from Open to Save As: the save dialog shows
// the opened file's path, the filter entry last used and Open's "must exist"
// option, and that option must not refuse a new name.
void SaveCommands::saveAsAfterOpenShowsWhatTheSharedDialogHolds() {
    FormFixture f;
    QVERIFY(QDir(f.dir.path()).mkpath("docs"));
    const QString opened = f.writeRtf("docs/in.rtf", QStringLiteral("t"));
    f.form->CommonDialog1.FilterIndex = 2;
    f.platform.dialogs.answerOpen(opened);
    f.run([&] { f.form->mnuOpenItem_Click(); });
    f.platform.dialogs.takeShown();

    f.platform.dialogs.answerSave(f.path("brand-new"));
    bool written = false;
    f.run([&] { written = f.form->mnuSaveAsItem_Click(); });
    QVERIFY(written);
    const QList<ShownDialog> shown = f.platform.dialogs.shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, DialogKind::FileSave);
    QCOMPARE(shown[0].fileName, QDir::toNativeSeparators(opened));
    QCOMPARE(shown[0].filterIndex, 2);
    QCOMPARE(shown[0].flags, 0x1000);
    QCOMPARE(shown[0].filter, texts::FileFilter);
    QCOMPARE(f.form->CommonDialog1.Flags, 0x1000);
    QCOMPARE(FormFixture::readRtfText(f.path("brand-new.rtf")), QStringLiteral("t"));
    QCOMPARE(FormFixture::readRtfText(opened), QStringLiteral("t"));
    QCOMPARE(f.document(), (DocumentView{QStringLiteral("t"), f.path("brand-new.rtf"), false}));
}

void SaveCommands::saveAsAsksBeforeReplacing() {
    FormFixture f;
    const QString existing = f.writeRtf("old.rtf", QStringLiteral("old content"));
    f.type(QStringLiteral("new content"));

    // No: the dialog comes back, and the second name is written instead.
    f.platform.dialogs.answerSave(existing);
    f.platform.dialogs.answerMessage(vbNo);
    f.platform.dialogs.answerSave(f.path("other.rtf"));
    f.run([&] { f.form->mnuSaveAsItem_Click(); });
    QList<ShownDialog> shown = f.platform.dialogs.takeShown();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[1].kind, DialogKind::MessageBox);
    QVERIFY(shown[1].prompt.contains(existing));
    QCOMPARE(FormFixture::readRtfText(existing), QStringLiteral("old content"));
    QCOMPARE(FormFixture::readRtfText(f.path("other.rtf")), QStringLiteral("new content"));

    // Yes replaces it.
    f.platform.dialogs.answerSave(existing);
    f.platform.dialogs.answerMessage(vbYes);
    f.run([&] { f.form->mnuSaveAsItem_Click(); });
    QCOMPARE(FormFixture::readRtfText(existing), QStringLiteral("new content"));
    QCOMPARE(f.panel(1), existing);
    QCOMPARE(f.platform.dialogs.takeShown().size(), 2);

    // The question is about the file the extension rule leads to: "old"
    // would replace old.rtf, and a file named just "other" is not at stake.
    f.type(QStringLiteral(" again"));
    f.platform.dialogs.answerSave(f.path("old"));
    f.platform.dialogs.answerMessage(vbNo);
    f.platform.dialogs.answerSave(f.path("fresh"));
    f.writeRtf("fresh", QStringLiteral("an unrelated file without extension"));
    f.run([&] { f.form->mnuSaveAsItem_Click(); });
    shown = f.platform.dialogs.takeShown();
    QCOMPARE(shown.size(), 3);
    QVERIFY(shown[1].prompt.contains(existing));
    QCOMPARE(FormFixture::readRtfText(existing), QStringLiteral("new content"));
    QCOMPARE(FormFixture::readRtfText(f.path("fresh.rtf")), QStringLiteral("new content again"));
    QCOMPARE(FormFixture::readRtfText(f.path("fresh")), QStringLiteral("an unrelated file without extension"));
}

void SaveCommands::failedWritesAreReportedAndHarmless_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("missing folder") << "missing";
    QTest::newRow("read-only file") << "readonly";
}

// A target that cannot be written, for real. Root ignores permission bits,
// so there a file on a read-only file system stands in for a read-only file.
static QString unwritableTarget(FormFixture &f, const QString &how, QByteArray *before) {
    if (how == QLatin1String("missing"))
        return f.path("no-such-folder/x.rtf");
    if (geteuid() == 0) {
        QFile proc(QStringLiteral("/proc/version"));
        if (proc.open(QIODevice::ReadOnly))
            *before = proc.readAll();
        return proc.fileName();
    }
    QDir(f.dir.path()).mkpath("locked");
    const QString target = f.writeRtf("locked/ro.rtf", QStringLiteral("old"));
    QFile(target).setPermissions(QFile::ReadOwner);
    QFile(f.path("locked")).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    QFile file(target);
    file.open(QIODevice::ReadOnly);
    *before = file.readAll();
    return target;
}

void SaveCommands::failedWritesAreReportedAndHarmless() {
    QFETCH(QString, how);
    FormFixture f;
    QByteArray before;
    const QString target = unwritableTarget(f, how, &before);
    f.type(QStringLiteral("unsaved work"));

    // Save As: one OK-only message naming the file; nothing else changes.
    // (Save As writes the name the extension rule gives, and asks first
    // only when that file exists.)
    const QString savedAs = withRtfExtension(target);
    f.platform.dialogs.answerSave(target);
    if (QFile::exists(savedAs))
        f.platform.dialogs.answerMessage(vbYes);  // replace it
    f.platform.dialogs.answerMessage(vbOK);
    bool written = true;
    f.run([&] { written = f.form->mnuSaveAsItem_Click(); });
    QVERIFY(!written);
    QCOMPARE(f.platform.dialogs.pending(), 0);
    expectCannotSave(f.platform.dialogs.shown().last(), savedAs);
    QCOMPARE(f.document(), (DocumentView{QStringLiteral("unsaved work"), texts::PanelStatus, true}));

    // Save, and the toolbar's Save, to the same name in panel 1: reported
    // the same way, and the document stays as it was.
    f.form->StatusBar1->setPanelText(1, target);
    const DocumentView unchanged = f.document();
    for (const auto &save : {std::function<void()>([&] { f.form->mnuSave_Click(); }),
                             std::function<void()>([&] { f.form->Toolbar1_ButtonClick({QStringLiteral("Save")}); })}) {
        f.platform.dialogs.takeShown();
        f.platform.dialogs.answerMessage(vbOK);
        QVERIFY(!f.run(save));
        QCOMPARE(f.platform.dialogs.shown().size(), 1);
        expectCannotSave(f.platform.dialogs.shown()[0], target);
        QCOMPARE(f.document(), unchanged);
    }
    QVERIFY(f.platform.settings.writes.isEmpty());

    QFile again(target);
    if (!before.isEmpty() && again.open(QIODevice::ReadOnly))
        QCOMPARE(again.readAll(), before);
}

QTEST_MAIN(SaveCommands)
#include "test_save_commands.moc"
