// Saves that fail while the file is being written, where they fail for
// users: a disk that fills up, a file-size limit, a folder that vanished, a
// name at the file system's length limit, a read-only folder. Whatever the
// save path, the old file must stay byte for byte, one message must say why,
// and the document must stay modified so that nothing is lost on the way out.
#include "platform/filesave.h"
#include "platform/errors.h"
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/statusbar.h"
#include "support/form_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Leftovers of an interrupted atomic write would fill the user's folder.
QStringList strayFiles(const QString &folder) {
    return QDir(folder).entryList({QStringLiteral(".pennaro-*")}, QDir::Files | QDir::Hidden);
}

// A tmpfs mounted on a folder of the test's own, filled to the last page.
class FullDisk {
public:
    explicit FullDisk(const QString &mountPoint) : mountPoint_(mountPoint) {
        QDir().mkpath(mountPoint);
        mounted_ = ::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=256k") == 0;
    }
    ~FullDisk() {
        if (mounted_)
            ::umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    // Takes every free byte, so that the next page anybody needs is refused.
    void fill() {
        QFile filler(mountPoint_ + QStringLiteral("/filler"));
        filler.open(QIODevice::WriteOnly);
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }

private:
    QString mountPoint_;
    bool mounted_ = false;
};

// RLIMIT_FSIZE for the process, lifted again when it goes out of scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};

// Every way a save is started, each with the dialogs it shows before the
// failure message and whether it runs with the document named.
struct SavePath {
    const char *name;
    std::function<void(FormFixture &, const QString &)> queueBefore;  // answers up to the write
    std::function<void(FormFixture &)> run;
};

QList<SavePath> savePaths() {
    return {
        {"Save", [](FormFixture &, const QString &) {}, [](FormFixture &f) { f.form->mnuSave_Click(); }},
        {"Save As",
         [](FormFixture &f, const QString &target) {
             f.platform.dialogs.answerSave(target);
             f.platform.dialogs.answerMessage(vbYes);  // replace it
         },
         [](FormFixture &f) { f.form->mnuSaveAsItem_Click(); }},
        {"toolbar Save", [](FormFixture &, const QString &) {},
         [](FormFixture &f) { f.form->Toolbar1_ButtonClick({QStringLiteral("Save")}); }},
        {"Close, Yes", [](FormFixture &f, const QString &) { f.platform.dialogs.answerMessage(vbYes); },
         [](FormFixture &f) { f.form->mnuCloseItem_Click(); }},
        {"Exit, Yes", [](FormFixture &f, const QString &) { f.platform.dialogs.answerMessage(vbYes); },
         [](FormFixture &f) { f.form->mnuExitItem_Click(); }},
        {"closing the window, Yes", [](FormFixture &f, const QString &) { f.platform.dialogs.answerMessage(vbYes); },
         [](FormFixture &f) {
             int cancel = 0;
             f.form->Form_Unload(cancel);
             QVERIFY(cancel != 0);
         }},
        {"Open, Yes", [](FormFixture &f, const QString &) { f.platform.dialogs.answerMessage(vbYes); },
         [](FormFixture &f) { f.form->mnuOpenItem_Click(); }},
    };
}

// Opens the file as the user would and changes it.
void openAndEdit(FormFixture &f, const QString &file) {
    f.platform.dialogs.answerOpen(file);
    f.run([&] { f.form->mnuOpenItem_Click(); });
    f.type(QStringLiteral("新的内容 "));
    f.platform.dialogs.takeShown();
}

void expectNothingLost(FormFixture &f, const QString &file, const QByteArray &before, const DocumentView &view,
                       const char *path) {
    QCOMPARE(f.platform.dialogs.pending(), 0);
    int failures = 0;
    for (const ShownDialog &shown : f.platform.dialogs.shown()) {
        if (shown.prompt.startsWith(QStringLiteral("Could not save"))) {
            ++failures;
            expectCannotSave(shown, QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()));
        }
    }
    QVERIFY2(failures == 1, path);
    QVERIFY2(fileBytes(file) == before, path);
    QCOMPARE(f.document(), view);
    QVERIFY(!f.platform.process.ended);
    QCOMPARE(strayFiles(QFileInfo(file).path()), QStringList());
}

}  // namespace

class SaveFailures : public QObject {
    Q_OBJECT
private slots:
    void fullDiskOnEverySavePath();
    void fileSizeLimitOnEverySavePath();
    void saveWritesWhereTheFileCameFrom();
    void namesAtTheLengthLimit();
    void reasonsInPlainWords();
    void ownerGroupAndPermissionsKept();
    void symbolicLinkKeptAndFileWritten();
    void readOnlyFolderWritableFile();
};

void SaveFailures::fullDiskOnEverySavePath() {
    for (const SavePath &path : savePaths()) {
        FormFixture f;
        FullDisk disk(f.path(QStringLiteral("disk")));
        if (!disk.mounted()) {
            if (::geteuid() == 0)
                QFAIL("root could not mount a tmpfs");
            QSKIP("mounting a tmpfs needs root; the file-size limit case covers the rest");
        }
        const QString file = f.writeRtf(QStringLiteral("disk/old.rtf"), QStringLiteral("旧的内容 old content"));
        const QByteArray before = fileBytes(file);
        openAndEdit(f, file);
        const DocumentView view = f.document();
        disk.fill();
        path.queueBefore(f, file);
        f.platform.dialogs.answerMessage(vbOK);
        f.run([&] { path.run(f); });
        expectNothingLost(f, file, before, view, path.name);
    }
}

void SaveFailures::fileSizeLimitOnEverySavePath() {
    for (const SavePath &path : savePaths()) {
        FormFixture f;
        const QString file = f.writeRtf(QStringLiteral("old.rtf"), QStringLiteral("旧的内容 old content"));
        const QByteArray before = fileBytes(file);
        openAndEdit(f, file);
        const DocumentView view = f.document();
        path.queueBefore(f, file);
        f.platform.dialogs.answerMessage(vbOK);
        {
            // Far below the document's few hundred bytes, and far below
            // the 16 KB that a buffered writer keeps before it writes.
            FileSizeLimit limit(64);
            f.run([&] { path.run(f); });
        }
        expectNothingLost(f, file, before, view, path.name);
    }
}

// Open A/x.rtf, fail to open a file of folder B (the dialog moved the current
// directory there), edit, Save: A/x.rtf gets the edit, B/x.rtf stays as it
// was. The same after a Save As whose write failed.
void SaveFailures::saveWritesWhereTheFileCameFrom() {
    FormFixture f;
    QDir(f.dir.path()).mkpath(QStringLiteral("A"));
    QDir(f.dir.path()).mkpath(QStringLiteral("B"));
    const QString mine = f.writeRtf(QStringLiteral("A/x.rtf"), QStringLiteral("mine"));
    const QString unrelated = f.writeRtf(QStringLiteral("B/x.rtf"), QStringLiteral("unrelated"));
    const QByteArray unrelatedBytes = fileBytes(unrelated);
    QFile notRtf(f.path(QStringLiteral("B/picture.png")));
    QVERIFY(notRtf.open(QIODevice::WriteOnly));
    notRtf.write("\x89PNG\r\n\x1a\n not an RTF file at all");
    notRtf.close();

    f.platform.dialogs.answerOpen(mine);
    f.run([&] { f.form->mnuOpenItem_Click(); });
    f.platform.dialogs.answerOpen(notRtf.fileName());
    f.run([&] { f.form->mnuOpenItem_Click(); });
    QCOMPARE(QDir::currentPath(), QFileInfo(unrelated).absolutePath());
    QCOMPARE(f.panel(1), QStringLiteral("x.rtf"));

    f.type(QStringLiteral("edited "));
    f.run([&] { f.form->mnuSave_Click(); });
    QCOMPARE(FormFixture::readRtfText(mine), QStringLiteral("edited mine"));
    QCOMPARE(fileBytes(unrelated), unrelatedBytes);
    QCOMPARE(f.document(), (DocumentView{QStringLiteral("edited mine"), QStringLiteral("x.rtf"), false}));

    // A Save As into B that fails also moves the current directory there.
    QDir(f.dir.path()).mkpath(QStringLiteral("B/locked.rtf"));  // a folder: the write fails
    f.type(QStringLiteral("again "));
    f.platform.dialogs.answerSave(f.path(QStringLiteral("B/locked.rtf")));
    f.platform.dialogs.answerMessage(vbYes);  // replace it
    f.platform.dialogs.answerMessage(vbOK);   // could not save
    f.run([&] { f.form->mnuSaveAsItem_Click(); });
    QCOMPARE(f.panel(1), QStringLiteral("x.rtf"));
    f.run([&] { f.form->Toolbar1_ButtonClick({QStringLiteral("Save")}); });
    QCOMPARE(FormFixture::readRtfText(mine), QStringLiteral("edited again mine"));
    QCOMPARE(fileBytes(unrelated), unrelatedBytes);
    QVERIFY(!f.form->Modified);
}

// A file whose name is 240 to 255 bytes long opens and saves back, through
// Save and Save As; one byte more is refused by the file system, in words.
void SaveFailures::namesAtTheLengthLimit() {
    for (int bytes : {240, 249, 250, 253, 255}) {
        FormFixture f;
        // Chinese characters take three bytes each in UTF-8; ASCII pads to
        // the exact length, ".rtf" included.
        QString name = QString(qMin(83, (bytes - 4) / 3), QChar(0x6587));
        while (name.toUtf8().size() < bytes - 4)
            name += QLatin1Char('a');
        name += QStringLiteral(".rtf");
        QCOMPARE(name.toUtf8().size(), bytes);
        const QString file = f.writeRtf(name, QStringLiteral("长名"));
        QVERIFY2(!file.isEmpty(), "the fixture could not be written");
        openAndEdit(f, file);
        f.run([&] { f.form->mnuSave_Click(); });
        QCOMPARE(f.platform.dialogs.shown().size(), 0);
        QCOMPARE(FormFixture::readRtfText(file), QStringLiteral("新的内容 长名"));

        f.type(QStringLiteral("再"));
        f.platform.dialogs.answerSave(file);
        f.platform.dialogs.answerMessage(vbYes);  // replace it
        f.run([&] { f.form->mnuSaveAsItem_Click(); });
        QCOMPARE(FormFixture::readRtfText(file), QStringLiteral("新的内容 再长名"));
        QVERIFY(!f.form->Modified);
        QCOMPARE(strayFiles(f.dir.path()), QStringList());
    }
    FormFixture f;
    f.type(QStringLiteral("x"));
    const QString tooLong = f.path(QString(252, QLatin1Char('n')) + QStringLiteral(".rtf"));
    f.platform.dialogs.answerSave(tooLong);
    f.platform.dialogs.answerMessage(vbOK);
    f.run([&] { f.form->mnuSaveAsItem_Click(); });
    QVERIFY(f.platform.dialogs.shown().last().prompt.endsWith(QStringLiteral("\nThe name is too long.")));
    QVERIFY(f.form->Modified);
}

// The reason a user reads, for the failures a save meets.
void SaveFailures::reasonsInPlainWords() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("vanishing"));
    QVERIFY(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/doc.rtf");
    saveFileContents(file, "{\\rtf1 one}");
    QVERIFY(QDir(folder).removeRecursively());
    try {
        saveFileContents(file, "{\\rtf1 two}");
        QFAIL("a save into a vanished folder succeeded");
    } catch (const PlatformError &e) {
        QCOMPARE(e.message(), QStringLiteral("The folder no longer exists."));
    }

    FormFixture f;
    QVERIFY(QDir(f.dir.path()).mkpath(QStringLiteral("sub")));
    openAndEdit(f, f.writeRtf(QStringLiteral("sub/doc.rtf"), QStringLiteral("x")));
    QVERIFY(QDir(f.path(QStringLiteral("sub"))).removeRecursively());
    f.platform.dialogs.answerMessage(vbOK);
    f.run([&] { f.form->mnuSave_Click(); });
    QVERIFY(f.platform.dialogs.shown().last().prompt.endsWith(QStringLiteral("\nThe folder no longer exists.")));
    QVERIFY(f.form->Modified);

    QCOMPARE(saveFailureReason(ENOSPC), QStringLiteral("The disk is full."));
    QCOMPARE(saveFailureReason(EACCES), QStringLiteral("Permission denied."));
    QVERIFY(!saveFailureReason(EXDEV).contains(QStringLiteral("Unknown error")));
}

// Replacing a file keeps who owns it and who may read it.
void SaveFailures::ownerGroupAndPermissionsKept() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("shared.rtf"));
    saveFileContents(file, "{\\rtf1 one}");
    QVERIFY(::chmod(QFile::encodeName(file).constData(), 0640) == 0);
    const bool root = ::geteuid() == 0;
    if (root)
        QVERIFY(::chown(QFile::encodeName(file).constData(), 65534, 65534) == 0);
    saveFileContents(file, "{\\rtf1 two, longer than before}");
    struct stat after {};
    QVERIFY(::stat(QFile::encodeName(file).constData(), &after) == 0);
    QCOMPARE(after.st_mode & 07777, mode_t(0640));
    if (root) {
        QCOMPARE(after.st_uid, uid_t(65534));
        QCOMPARE(after.st_gid, gid_t(65534));
    }
    QCOMPARE(fileBytes(file), QByteArray("{\\rtf1 two, longer than before}"));

    // A new file gets what the user's umask allows, not the 0600 of a
    // temporary file.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    const QString fresh = dir.filePath(QStringLiteral("fresh.rtf"));
    saveFileContents(fresh, "{\\rtf1 new}");
    QVERIFY(::stat(QFile::encodeName(fresh).constData(), &after) == 0);
    QCOMPARE(after.st_mode & 07777, mode_t(0666 & ~mask));
}

void SaveFailures::symbolicLinkKeptAndFileWritten() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("real")));
    const QString real = dir.filePath(QStringLiteral("real/doc.rtf"));
    const QString link = dir.filePath(QStringLiteral("link.rtf"));
    saveFileContents(real, "{\\rtf1 one}");
    QVERIFY(QFile::link(real, link));
    saveFileContents(link, "{\\rtf1 two}");
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(fileBytes(real), QByteArray("{\\rtf1 two}"));
}

// A writable file in a folder the user cannot write: saved in place, with
// its inode, owner and permissions; a failure of that write leaves the old
// content. Root may write any folder, so as root the case runs again as an
// unprivileged user.
void SaveFailures::readOnlyFolderWritableFile() {
    if (::geteuid() == 0) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        const QString self = QCoreApplication::applicationFilePath();
        child.start(QStringLiteral("setpriv"),
                    {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                     self, QStringLiteral("readOnlyFolderWritableFile")});
        QVERIFY2(child.waitForFinished(120000), "the unprivileged run did not finish");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        return;
    }
    FormFixture f;
    const QString folder = f.path(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(folder));
    const QString file = f.writeRtf(QStringLiteral("locked/doc.rtf"), QStringLiteral("old"));
    QVERIFY(::chmod(QFile::encodeName(file).constData(), 0604) == 0);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
    struct stat before {};
    QVERIFY(::stat(QFile::encodeName(file).constData(), &before) == 0);

    openAndEdit(f, file);
    f.run([&] { f.form->mnuSave_Click(); });
    QCOMPARE(f.platform.dialogs.shown().size(), 0);
    QCOMPARE(FormFixture::readRtfText(file), QStringLiteral("新的内容 old"));
    QVERIFY(!f.form->Modified);
    struct stat after {};
    QVERIFY(::stat(QFile::encodeName(file).constData(), &after) == 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode & 07777, mode_t(0604));

    // The in-place write fails: reported, and the old content is still there.
    const QByteArray saved = fileBytes(file);
    f.type(QString(2000, QChar(0x5b57)));
    f.platform.dialogs.answerMessage(vbOK);
    {
        FileSizeLimit limit(rlim_t(saved.size() + 10));
        f.run([&] { f.form->mnuSave_Click(); });
    }
    QCOMPARE(f.platform.dialogs.shown().size(), 1);
    QVERIFY(
        f.platform.dialogs.shown()[0].prompt.endsWith(QStringLiteral("\nThe file is larger than this system allows.")));
    QCOMPARE(fileBytes(file), saved);
    QVERIFY(f.form->Modified);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

QTEST_MAIN(SaveFailures)
#include "test_save_failures.moc"
