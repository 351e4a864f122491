// Recovery after a crash: the copy a modified document keeps on disk, the
// ways it goes away, and the offer at the next start with each answer. A
// "crash" is a window destroyed without the user ending the program: its
// lock goes, as the kernel drops a killed program's locks, and its copy stays.
#include "document/recovery.h"
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/statusbar.h"
#include "support/form_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

// One program of the user, its recovery folder the test's shared one.
std::unique_ptr<FormFixture> program(const QString &recoveryFolder, const QString &commandLine = QString()) {
    auto f = std::make_unique<FormFixture>(false);
    f->platform.recovery.folder = recoveryFolder;
    f->platform.commandLine.text = commandLine;
    return f;
}

void start(FormFixture &f) {
    f.run([&] { f.form->Form_Load(); });
}

QStringList filesIn(const QString &folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

QStringList copiesIn(const QString &folder) { return QDir(folder).entryList({QStringLiteral("*.rtf")}, QDir::Files); }

// A program that opened `fileName`, a file of its own folder holding
// `fileText` (or opened nothing), typed `text`, wrote its copy and crashed.
// The fixture stays for its folders; its window is gone.
std::unique_ptr<FormFixture> crashedAfterTyping(const QString &folder, const QString &text,
                                                const QString &fileName = {}, const QString &fileText = {}) {
    auto f = program(folder);
    if (!fileName.isEmpty()) {
        f->platform.dialogs.answerOpen(f->writeRtf(fileName, fileText));
        f->run([&] { f->form->mnuOpenItem_Click(); });
    }
    f->type(text);
    f->form->Recovery().writeCopyNow();
    f->form.reset();
    return f;
}

void expectOffer(const ShownDialog &d, const QString &document, int number, int count, const QString &commandLine) {
    QCOMPARE(d.kind, DialogKind::MessageBox);
    QCOMPARE(d.buttons, int(vbYesNo));
    QCOMPARE(d.title, QString());  // the application title
    QVERIFY2(d.prompt.contains(QStringLiteral("恢复副本")) && d.prompt.contains(QStringLiteral("recovery copy")),
             qPrintable(d.prompt));
    QVERIFY2(d.prompt.contains(document), qPrintable(d.prompt));
    QVERIFY2(d.prompt.contains(QStringLiteral("Copy %1 of %2").arg(number).arg(count)) == (count > 1),
             qPrintable(d.prompt));
    QVERIFY2(commandLine.isEmpty() == !d.prompt.contains(QStringLiteral("command line")), qPrintable(d.prompt));
    if (!commandLine.isEmpty())
        QVERIFY2(d.prompt.contains(commandLine), qPrintable(d.prompt));
}

void expectDeleteConfirmation(const ShownDialog &d) {
    QCOMPARE(d.kind, DialogKind::MessageBox);
    QCOMPARE(d.prompt, texts::ConfirmDeleteRecovery);
    QCOMPARE(d.buttons, int(vbYesNo | vbDefaultButton2));  // No, keeping the copy, is the default
}

}  // namespace

class Recovery : public QObject {
    Q_OBJECT

    QTemporaryDir shared;
    QString folder;

private slots:
    void init() {
        folder = shared.filePath(QStringLiteral("state/Pennaro/recovery"));
        QDir(folder).removeRecursively();
    }

    void startWithoutCopiesShowsAndCreatesNothing() {
        auto f = program(folder);
        start(*f);
        QVERIFY(f->platform.dialogs.shown().isEmpty());
        QVERIFY(!QFileInfo::exists(folder));
        // Leftovers of ended programs beside no copy are cleared away
        // without a word; a live program's lock is not.
        auto live = program(folder);
        start(*live);
        live->type(QStringLiteral("x"));
        live->form->Recovery().writeCopyNow();
        const QStringList liveFiles = filesIn(folder);
        QFile(folder + QStringLiteral("/20200101-000000-1-0.lock")).open(QIODevice::WriteOnly);
        QFile(folder + QStringLiteral("/20200101-000000-1-0.json")).open(QIODevice::WriteOnly);
        QFile stale(folder + QStringLiteral("/.pennaro-abcdef"));
        stale.open(QIODevice::WriteOnly);
        stale.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime);
        stale.close();
        start(*f);
        QVERIFY(f->platform.dialogs.shown().isEmpty());
        QCOMPARE(filesIn(folder), liveFiles);
    }

    // The copy follows the document a few seconds after the last change,
    // with the document's name, and only while the document is modified.
    void copyFollowsTheDocument() {
        auto f = program(folder);
        start(*f);
        const QString file = f->writeRtf(QStringLiteral("报告.rtf"), QStringLiteral("旧"));
        f->platform.dialogs.answerOpen(file);
        f->run([&] { f->form->mnuOpenItem_Click(); });
        DocumentRecovery &recovery = f->form->Recovery();
        QTest::qWait(DocumentRecovery::kQuietMilliseconds + 200);
        QCOMPARE(recovery.copyPath(), QString());  // loaded, not modified: no copy

        f->type(QStringLiteral("新的"));
        QTRY_VERIFY_WITH_TIMEOUT(!recovery.copyPath().isEmpty(), DocumentRecovery::kQuietMilliseconds + 3000);
        recovery.waitForWriter();
        const QString copy = recovery.copyPath();
        QCOMPARE(FormFixture::readRtfText(copy), QStringLiteral("新的旧"));
        QCOMPARE(QFileInfo(copy).absolutePath(), QDir(folder).absolutePath());
        QVERIFY(QFileInfo(folder).permissions() == (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                    QFile::ReadUser | QFile::WriteUser | QFile::ExeUser));

        f->type(QStringLiteral("再"));
        recovery.writeCopyNow();
        QCOMPARE(recovery.copyPath(), copy);  // one copy per window, rewritten
        QCOMPARE(FormFixture::readRtfText(copy), QStringLiteral("新的再旧"));
    }

    // Every way the document stops needing its copy removes it.
    void copyGoesWithTheChanges_data() {
        QTest::addColumn<std::function<void(FormFixture &)>>("action");
        QTest::addColumn<bool>("ends");
        const auto answer = [](int result, std::function<void(Form1 &)> handler) {
            return std::function<void(FormFixture &)>([=](FormFixture &f) {
                f.platform.dialogs.answerMessage(result);
                f.run([&] { handler(*f.form); });
            });
        };
        QTest::newRow("Save") << std::function<void(FormFixture &)>([](FormFixture &f) {
            f.run([&] { f.form->mnuSave_Click(); });
        }) << false;
        QTest::newRow("Save As") << std::function<void(FormFixture &)>([](FormFixture &f) {
            f.platform.dialogs.answerSave(f.path(QStringLiteral("other.rtf")));
            f.run([&] { f.form->mnuSaveAsItem_Click(); });
        }) << false;
        QTest::newRow("Close, No") << answer(vbNo, [](Form1 &w) { w.mnuCloseItem_Click(); }) << false;
        QTest::newRow("Exit, No") << answer(vbNo, [](Form1 &w) { w.mnuExitItem_Click(); }) << true;
        QTest::newRow("Exit, Yes") << answer(vbYes, [](Form1 &w) { w.mnuExitItem_Click(); }) << true;
        QTest::newRow("closing the window, No") << answer(vbNo, [](Form1 &w) {
            int cancel = 0;
            w.Form_Unload(cancel);
        }) << true;
        QTest::newRow("Open, No") << std::function<void(FormFixture &)>([](FormFixture &f) {
            f.platform.dialogs.answerMessage(vbNo);
            f.platform.dialogs.answerOpen(f.writeRtf(QStringLiteral("next.rtf"), QStringLiteral("next")));
            f.run([&] { f.form->mnuOpenItem_Click(); });
        }) << false;
    }
    void copyGoesWithTheChanges() {
        QFETCH(std::function<void(FormFixture &)>, action);
        QFETCH(bool, ends);
        auto f = program(folder);
        start(*f);
        f->platform.dialogs.answerOpen(f->writeRtf(QStringLiteral("doc.rtf"), QStringLiteral("doc")));
        f->run([&] { f->form->mnuOpenItem_Click(); });
        f->type(QStringLiteral("edit "));
        f->form->Recovery().writeCopyNow();
        QCOMPARE(copiesIn(folder).size(), 1);

        action(*f);
        QCOMPARE(f->platform.process.ended, ends);
        if (!ends) {
            f->form->Recovery().waitForWriter();
            QCOMPARE(copiesIn(folder), QStringList());  // gone while the program runs on
        }
        f->form.reset();  // the program ends: the writer finishes, the lock goes
        QCOMPARE(filesIn(folder), QStringList());
    }

    // Cancelling keeps the document, and with it the copy; so does a program
    // that ends without the user's word (the desktop session ending).
    void copyStaysWhileTheChangesDo() {
        auto f = program(folder);
        start(*f);
        f->type(QStringLiteral("keep"));
        f->form->Recovery().writeCopyNow();
        f->platform.dialogs.answerMessage(vbCancel);
        int cancel = 0;
        f->run([&] { f->form->Form_Unload(cancel); });
        QVERIFY(cancel != 0);
        f->platform.dialogs.answerMessage(vbYes);
        f->platform.dialogs.cancel(DialogKind::FileSave);
        f->run([&] { f->form->mnuCloseItem_Click(); });  // Yes, then Save As cancelled
        f->form.reset();
        QCOMPARE(copiesIn(folder).size(), 1);
        QCOMPARE(FormFixture::readRtfText(folder + QLatin1Char('/') + copiesIn(folder).first()),
                 QStringLiteral("keep"));
    }

    // Restored: every character, modified, under its old name, and saved
    // back to the file it came from, after which no copy is left.
    void restoreAtTheNextStart() {
        auto lost = crashedAfterTyping(folder, QStringLiteral("补充 more "), QStringLiteral("季度报告.rtf"),
                                       QStringLiteral("原文 original"));
        const QString file = lost->path(QStringLiteral("季度报告.rtf"));
        const QString copy = folder + QLatin1Char('/') + copiesIn(folder).first();
        const QString savedAt = QFileInfo(copy).lastModified().toString(texts::RecoveryTimeFormat);

        auto next = program(folder);
        next->platform.dialogs.answerMessage(vbYes);
        start(*next);
        const QList<ShownDialog> shown = next->platform.dialogs.takeShown();
        QCOMPARE(shown.size(), 1);
        expectOffer(shown[0], file, 1, 1, QString());
        QVERIFY2(shown[0].prompt.contains(savedAt), qPrintable(shown[0].prompt));

        QCOMPARE(next->document(),
                 (DocumentView{QStringLiteral("补充 more 原文 original"), QStringLiteral("季度报告.rtf"), true}));
        QCOMPARE(next->form->SaveTarget(), file);
        QCOMPARE(next->form->Recovery().copyPath(), copy);  // this window keeps it now

        next->run([&] { next->form->mnuSave_Click(); });
        QCOMPARE(FormFixture::readRtfText(file), QStringLiteral("补充 more 原文 original"));
        QCOMPARE(next->form->Modified, false);
        next->form.reset();
        QCOMPARE(filesIn(folder), QStringList());
    }

    // Declining asks again before anything is deleted; No keeps the copy for
    // the next start. Either way the command-line file is then opened.
    void declineAsksTwice_data() {
        QTest::addColumn<int>("confirm");
        QTest::newRow("delete") << int(vbYes);
        QTest::newRow("keep") << int(vbNo);
    }
    void declineAsksTwice() {
        QFETCH(int, confirm);
        auto lost = crashedAfterTyping(folder, QStringLiteral("lost"));
        const QStringList before = filesIn(folder);
        const QString file = lost->writeRtf(QStringLiteral("cmd.rtf"), QStringLiteral("命令行"));

        auto next = program(folder, file);
        next->platform.dialogs.answerMessage(vbNo);
        next->platform.dialogs.answerMessage(confirm);
        start(*next);
        const QList<ShownDialog> shown = next->platform.dialogs.takeShown();
        QCOMPARE(shown.size(), 2);
        expectOffer(shown[0], texts::RecoveryUntitled, 1, 1, file);
        expectDeleteConfirmation(shown[1]);
        QCOMPARE(next->document(), (DocumentView{QStringLiteral("命令行"), file, false}));
        next->form.reset();
        QCOMPARE(filesIn(folder), confirm == vbYes ? QStringList() : before);
    }

    // Restoring takes the window: the command-line file is not opened, and
    // stays as it was. An untitled document comes back untitled: Save asks
    // for a name.
    void restoreInsteadOfTheCommandLineFile() {
        auto lost = crashedAfterTyping(folder, QStringLiteral("草稿 draft"));
        const QString file = lost->writeRtf(QStringLiteral("cmd.rtf"), QStringLiteral("命令行"));
        const QString quoted = QLatin1Char('"') + file + QLatin1Char('"');
        auto next = program(folder, quoted);
        next->platform.dialogs.answerMessage(vbYes);
        start(*next);
        expectOffer(next->platform.dialogs.takeShown().value(0), texts::RecoveryUntitled, 1, 1, quoted);
        QCOMPARE(next->document(), (DocumentView{QStringLiteral("草稿 draft"), texts::PanelStatus, true}));
        QCOMPARE(FormFixture::readRtfText(file), QStringLiteral("命令行"));

        next->platform.dialogs.answerSave(next->path(QStringLiteral("draft.rtf")));
        next->run([&] { next->form->mnuSave_Click(); });
        QCOMPARE(FormFixture::readRtfText(next->path(QStringLiteral("draft.rtf"))), QStringLiteral("草稿 draft"));
    }

    // Several copies: newest first, each numbered; the first restored ends
    // the offers, and the rest wait for the next start.
    void severalCopiesOneAfterAnother() {
        auto older = crashedAfterTyping(folder, QStringLiteral("older"));
        QTest::qWait(1100);  // a later modification time
        auto newer = crashedAfterTyping(folder, QStringLiteral("newer"));

        auto next = program(folder);
        next->platform.dialogs.answerMessage(vbNo);
        next->platform.dialogs.answerMessage(vbNo);  // keep it
        next->platform.dialogs.answerMessage(vbYes);
        start(*next);
        const QList<ShownDialog> shown = next->platform.dialogs.takeShown();
        QCOMPARE(shown.size(), 3);
        expectOffer(shown[0], texts::RecoveryUntitled, 1, 2, QString());
        expectOffer(shown[2], texts::RecoveryUntitled, 2, 2, QString());
        QCOMPARE(next->form->RichTextBox1->Text(), QStringLiteral("older"));

        // The newer copy, kept, is offered to the next window, and the one
        // the running window restored is not.
        auto third = program(folder);
        third->platform.dialogs.answerMessage(vbYes);
        start(*third);
        expectOffer(third->platform.dialogs.takeShown().value(0), texts::RecoveryUntitled, 1, 1, QString());
        QCOMPARE(third->form->RichTextBox1->Text(), QStringLiteral("newer"));
    }

    // Two windows at once keep a copy each, and neither offers the other's.
    void twoWindowsKeepOneCopyEach() {
        auto a = program(folder);
        start(*a);
        a->type(QStringLiteral("窗口 A"));
        a->form->Recovery().writeCopyNow();

        auto b = program(folder);
        start(*b);
        QVERIFY(b->platform.dialogs.shown().isEmpty());
        b->type(QStringLiteral("窗口 B"));
        b->form->Recovery().writeCopyNow();

        const QString copyA = a->form->Recovery().copyPath(), copyB = b->form->Recovery().copyPath();
        QVERIFY(!copyA.isEmpty() && copyA != copyB);
        QCOMPARE(copiesIn(folder).size(), 2);
        QCOMPARE(FormFixture::readRtfText(copyA), QStringLiteral("窗口 A"));
        QCOMPARE(FormFixture::readRtfText(copyB), QStringLiteral("窗口 B"));
    }

    // A copy that cannot be read is said so and kept; start-up goes on.
    void unreadableCopyIsKept() {
        auto lost = crashedAfterTyping(folder, QStringLiteral("lost"));
        const QString copy = folder + QLatin1Char('/') + copiesIn(folder).first();
        QFile damaged(copy);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("not a document");
        damaged.close();
        auto next = program(folder);
        next->platform.dialogs.answerMessage(vbYes);
        next->platform.dialogs.answerMessage(vbOK);
        start(*next);
        const QList<ShownDialog> shown = next->platform.dialogs.takeShown();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[1].prompt.startsWith(texts::cannotRestore(QString()).trimmed()), qPrintable(shown[1].prompt));
        QCOMPARE(shown[1].buttons, int(vbOKOnly));
        QCOMPARE(next->document(), (DocumentView{QString(), texts::PanelStatus, false}));
        next->form.reset();
        QVERIFY(QFileInfo::exists(copy));
    }
};

QTEST_MAIN(Recovery)
#include "test_recovery.moc"
