// The registry store of folders and files: keys that must exist, values
// that are replaced whole or not at all, and WriteRegistryBinary over it.
#include "printing/file_registry.h"
#include "printing/printer_defaults.h"
#include "printing/registry_write.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pennaro;
using RegFunction::WriteRegistryBinary;

namespace {

QTemporaryDir *configHome() {
    static QTemporaryDir dir;
    return &dir;
}

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (int v : values)
        bytes.push_back(std::uint8_t(v));
    return bytes;
}

QByteArray asArray(const std::vector<std::uint8_t> &bytes) {
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

std::vector<std::uint8_t> pattern(int size) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < size; ++i)
        bytes.push_back(std::uint8_t(i * 7));
    return bytes;
}

// Every file and folder below dir, relative to it; hidden ones too when asked.
QStringList tree(const QString &dir, QDir::Filters also = {}) {
    QStringList entries;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | also, QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(dir).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

// A store in a temporary folder that holds the printer's key.
struct PrinterStore {
    QTemporaryDir base;
    FileRegistry registry{base.path()};
    QString key = registry.keyFolder(HKEY_LOCAL_MACHINE, kPrinterKeyPath);

    PrinterStore() { QDir().mkpath(key); }
    ~PrinterStore() { QFile::setPermissions(key, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); }

    bool write(const std::vector<std::uint8_t> &bytes) {
        return WriteRegistryBinary(registry, HKEY_LOCAL_MACHINE, kPrinterKeyPath, kDevModeValueName, bytes);
    }
    std::optional<FileRegistry::Value> value() const {
        return registry.readValue(HKEY_LOCAL_MACHINE, kPrinterKeyPath, kDevModeValueName);
    }
};

// Lets writes grow files only up to limit bytes for as long as it lives;
// beyond that a write fails (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = old_;
        lower.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

}  // namespace

class TestFileRegistry : public QObject {
    Q_OBJECT
private slots:
    void defaultRootIsInTheUsersConfiguration();
    void onlyExistingKeysOpen();
    void valuesAreReadableAndReplacedWhole();
    void readOnlyKeyRefusesAndKeepsTheOldValue();
    void failedWriteKeepsTheOldValue();
    void crashBeforeTheRenameKeepsTheOldValue();
};

void TestFileRegistry::defaultRootIsInTheUsersConfiguration() {
    QCOMPARE(FileRegistry().base(), configHome()->filePath(QStringLiteral("Pennaro/registry")));
}

void TestFileRegistry::onlyExistingKeysOpen() {
    QTemporaryDir base;
    FileRegistry registry(base.path());
    HKEY key = 0;
    QCOMPARE(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrinterKeyPath, 0, 0x2003F, &key), ERROR_FILE_NOT_FOUND);
    QVERIFY(!WriteRegistryBinary(registry, HKEY_LOCAL_MACHINE, kPrinterKeyPath, kDevModeValueName, pattern(8)));
    QCOMPARE(tree(base.path(), QDir::Hidden), QStringList());  // nothing created on the way
    QCOMPARE(registry.RegOpenKeyExA(0x1234, kPrinterKeyPath, 0, 0x2003F, &key), ERROR_INVALID_HANDLE);

    // The key exists once its folder does, whatever the case of its name;
    // a key below an open key opens too.
    QVERIFY(QDir().mkpath(base.path() + QStringLiteral("/HKEY_LOCAL_MACHINE/SYSTEM/CurrentControlSet/Control/"
                                                       "Print/Printers/EPSON Stylus COLOR 440")));
    QCOMPARE(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrinterKeyPath, 0, 0x2003F, &key), ERROR_SUCCESS);
    HKEY printers = 0, epson = 0;
    QCOMPARE(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "system\\currentcontrolset\\control\\print\\printers", 0,
                                    0x2003F, &printers),
             ERROR_SUCCESS);
    QCOMPARE(registry.RegOpenKeyExA(printers, "EPSON Stylus COLOR 440", 0, 0x2003F, &epson), ERROR_SUCCESS);
    QVERIFY(key != printers && printers != epson);
    for (HKEY open : {key, printers, epson})
        QCOMPARE(registry.RegCloseKey(open), ERROR_SUCCESS);
    QCOMPARE(registry.RegCloseKey(key), ERROR_INVALID_HANDLE);
    QCOMPARE(registry.RegSetValueExA(key, "x", 0, REG_BINARY, nullptr, 0), ERROR_INVALID_HANDLE);
    QCOMPARE(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, std::string(kPrinterKeyPath) + "\\Missing", 0, 0x2003F, &key),
             ERROR_FILE_NOT_FOUND);
}

void TestFileRegistry::valuesAreReadableAndReplacedWhole() {
    PrinterStore store;
    const std::vector<std::uint8_t> first = pattern(20);
    QVERIFY(store.write(first));
    QCOMPARE(store.value()->type, REG_BINARY);
    QCOMPARE(store.value()->data, asArray(first));

    // The file says what it holds in a form a person can check.
    QFile file(store.key + QStringLiteral("/Default DevMode"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLatin1(file.readAll()),
             QStringLiteral("PENNARO-REGISTRY-VALUE\ntype 3 REG_BINARY\nsize 20\n"
                            "00 07 0e 15 1c 23 2a 31 38 3f 46 4d 54 5b 62 69\n70 77 7e 85\n"));
    file.close();

    // Another type and another size replace the earlier value, under
    // whatever case its name was first written in.
    HKEY key = 0;
    QCOMPARE(store.registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrinterKeyPath, 0, 0x2003F, &key), ERROR_SUCCESS);
    const quint8 text[] = {'h', 'i', 0};
    QCOMPARE(store.registry.RegSetValueExA(key, "DEFAULT DEVMODE", 0, 1, text, 3), ERROR_SUCCESS);
    QCOMPARE(store.value()->type, 1u);
    QCOMPARE(store.value()->data, QByteArray("hi\0", 3));
    QVERIFY(store.write(first));
    QCOMPARE(store.value()->type, REG_BINARY);
    QCOMPARE(store.value()->data, asArray(first));

    // Odd names stay inside the key; an empty value and the unnamed value
    // are values too.
    QCOMPARE(store.registry.RegSetValueExA(key, "../a/b", 0, REG_BINARY, text, 3), ERROR_SUCCESS);
    QCOMPARE(store.registry.RegSetValueExA(key, "", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    store.registry.RegCloseKey(key);
    QCOMPARE(tree(store.key), (QStringList{"%2E%2E%2Fa%2Fb", "@", "Default DevMode"}));
    QCOMPARE(store.registry.readValue(HKEY_LOCAL_MACHINE, kPrinterKeyPath, "../a/b")->data, QByteArray("hi\0", 3));
    QCOMPARE(store.registry.readValue(HKEY_LOCAL_MACHINE, kPrinterKeyPath, "")->data, QByteArray());

    // A damaged file is not taken for a value.
    for (const QByteArray &damaged :
         {QByteArray("PENNARO-REGISTRY-VALUE\ntype 3\nsize 3\n01 02\n"),
          QByteArray("PENNARO-REGISTRY-VALUE\ntype 3\nsize 2\n01 2g\n"), QByteArray("type 3\nsize 0\n")})
        QVERIFY(!FileRegistry::parseValue(damaged));
}

void TestFileRegistry::readOnlyKeyRefusesAndKeepsTheOldValue() {
    PrinterStore store;
    const std::vector<std::uint8_t> old = pattern(442);
    QVERIFY(store.write(old));
    HKEY openedBefore = 0;
    QCOMPARE(store.registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrinterKeyPath, 0, 0x2003F, &openedBefore),
             ERROR_SUCCESS);

    // Read-only for its owner means read-only for everyone, root included.
    QVERIFY(QFile::setPermissions(store.key, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                                 QFile::ReadOther | QFile::ExeOther));
    QVERIFY(!store.write(bytesOf({1, 2, 3})));
    const quint8 one[] = {1};
    QCOMPARE(store.registry.RegSetValueExA(openedBefore, "Default DevMode", 0, REG_BINARY, one, 1),
             ERROR_ACCESS_DENIED);
    QCOMPARE(store.registry.RegCloseKey(openedBefore), ERROR_SUCCESS);
    HKEY key = 0;
    QCOMPARE(store.registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrinterKeyPath, 0, 0x2003F, &key), ERROR_ACCESS_DENIED);
    QCOMPARE(store.value()->data, asArray(old));
    QCOMPARE(tree(store.key), QStringList{"Default DevMode"});
}

// A full disk (here: a file size limit) surfaces while the new text is
// written; the old value must survive it, and no half-written file may take
// its place.
void TestFileRegistry::failedWriteKeepsTheOldValue() {
    PrinterStore store;
    const std::vector<std::uint8_t> old = pattern(100);
    QVERIFY(store.write(old));
    {
        const FileSizeLimit limit(512);
        QVERIFY(!store.write(pattern(442)));
    }
    QCOMPARE(store.value()->data, asArray(old));
    QCOMPARE(tree(store.key), QStringList{"Default DevMode"});
    QVERIFY(store.write(pattern(442)));  // and the store works on afterwards
    QCOMPARE(store.value()->data, asArray(pattern(442)));
}

// A process that dies while it writes (the size limit's signal kills it in
// the middle of the new text) leaves the old value readable.
void TestFileRegistry::crashBeforeTheRenameKeepsTheOldValue() {
    PrinterStore store;
    const std::vector<std::uint8_t> old = pattern(442);
    QVERIFY(store.write(old));
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 600;
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_DFL);
        store.write(std::vector<std::uint8_t>(442, 0xee));
        _exit(0);  // not reached when the write was cut off
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ, "the writer was not cut off");
    QCOMPARE(store.value()->data, asArray(old));
    // What the writer left of its new text is hidden and never a value.
    QCOMPARE(tree(store.key), QStringList{"Default DevMode"});
    for (const QString &left : tree(store.key, QDir::Hidden)) {
        if (left.startsWith(QLatin1Char('.')))
            QVERIFY(!store.registry.readValue(HKEY_LOCAL_MACHINE, kPrinterKeyPath, left.toStdString()));
    }
}

int main(int argc, char **argv) {
    qputenv("XDG_CONFIG_HOME", configHome()->path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    TestFileRegistry test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_file_registry.moc"
