#include "platform/qtservices.h"

#include "platform/errors.h"
#include "platform/keystrokes.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace pennaro {

// ---- Clipboard -------------------------------------------------------------

void QtClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

void QtClipboard::SetText(const QString &text) { QGuiApplication::clipboard()->setText(text); }

QString QtClipboard::GetText() { return QGuiApplication::clipboard()->text(); }

// ---- Settings --------------------------------------------------------------

namespace {

constexpr auto kOrganisation = "Pennaro";

}  // namespace

QString QtSettingsStore::GetSetting(const QString &app, const QString &section, const QString &key,
                                    const QString &defaultValue) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QLatin1String(kOrganisation), app);
    settings.beginGroup(section);
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return defaultValue;
    // An INI line edited by hand with a comma in it reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void QtSettingsStore::SaveSetting(const QString &app, const QString &section, const QString &key,
                                  const QString &value) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QLatin1String(kOrganisation), app);
    settings.beginGroup(section);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw PlatformError(QStringLiteral("The setting %1/%2 cannot be stored in %3")
                                .arg(section, key, QDir::toNativeSeparators(settings.fileName())));
}

// ---- Registry --------------------------------------------------------------

namespace {

constexpr long kInvalidHandle = 6;
constexpr long kWriteFault = 29;
constexpr quint32 kKeySetValue = 0x2;
const QByteArray kValueMagic = "PENNARO-REGISTRY-VALUE";

// A registry name as a file name: '/', '%', control characters and the
// like are escaped; dots are too, so that "." and ".." stay names.
QString encodeName(const QString &name) {
    if (name.isEmpty())
        return QStringLiteral("@");  // the key's unnamed default value
    return QString::fromLatin1(QUrl::toPercentEncoding(name, " ", "."));
}

QString decodeName(const QString &fileName) {
    if (fileName == QLatin1String("@"))
        return QString();
    return QUrl::fromPercentEncoding(fileName.toLatin1());
}

QStringList keyParts(const QByteArray &subKey) {
    return QString::fromLocal8Bit(subKey).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// The entry of dir whose decoded name equals name, ignoring case.
QString findEntry(const QDir &dir, const QString &name, QDir::Filters filters) {
    const QString exact = encodeName(name);
    if (QFileInfo(dir.filePath(exact)).exists())
        return exact;
    const QStringList entries = dir.entryList(filters | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &entry : entries) {
        if (decodeName(entry).compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

}  // namespace

FileRegistry::FileRegistry(const QString &base)
    : base_(base.isEmpty()
                ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                      QStringLiteral("/Pennaro/registry")
                : base) {}

QString FileRegistry::keyFolder(HKEY root, const QString &subKey) const {
    QString folder = base_ + QLatin1Char('/') + registryRootName(root);
    for (const QString &part : subKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        folder += QLatin1Char('/') + encodeName(part);
    return folder;
}

QString FileRegistry::existingFolder(HKEY root, const QString &subKey) const {
    QString folder;
    const QString rootName = registryRootName(root);
    if (!rootName.isEmpty())
        folder = base_ + QLatin1Char('/') + rootName;
    else
        folder = handles_.value(root);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return QString();
    for (const QString &part : subKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        const QString entry = findEntry(QDir(folder), part, QDir::Dirs);
        if (entry.isEmpty())
            return QString();
        folder += QLatin1Char('/') + entry;
        if (!QFileInfo(folder).isDir())
            return QString();
    }
    return folder;
}

long FileRegistry::RegOpenKeyExA(HKEY root, const QByteArray &subKey, quint32 options, quint32 samDesired,
                                 HKEY *result) {
    Q_UNUSED(options);
    if (registryRootName(root).isEmpty() && !handles_.contains(root))
        return kInvalidHandle;
    const QString folder = existingFolder(root, keyParts(subKey).join(QLatin1Char('\\')));
    if (folder.isEmpty())
        return ERROR_FILE_NOT_FOUND;
    if ((samDesired & kKeySetValue) && !QFileInfo(folder).isWritable())
        return ERROR_ACCESS_DENIED;
    const HKEY handle = next_++;
    handles_.insert(handle, folder);
    if (result)
        *result = handle;
    return ERROR_SUCCESS;
}

long FileRegistry::RegSetValueExA(HKEY key, const QByteArray &valueName, quint32 reserved, quint32 type,
                                  const quint8 *data, quint32 size) {
    Q_UNUSED(reserved);
    const auto it = handles_.constFind(key);
    if (it == handles_.constEnd())
        return kInvalidHandle;
    const QDir folder(it.value());
    if (!folder.exists())
        return ERROR_FILE_NOT_FOUND;  // the key went away while it was open
    const QString name = QString::fromLocal8Bit(valueName);
    QString entry = findEntry(folder, name, QDir::Files);
    if (entry.isEmpty())
        entry = encodeName(name);

    QSaveFile file(folder.filePath(entry));
    if (!file.open(QIODevice::WriteOnly))
        return file.error() == QFileDevice::PermissionsError ? ERROR_ACCESS_DENIED : kWriteFault;
    QByteArray bytes = kValueMagic + " type=" + QByteArray::number(type) + " size=" + QByteArray::number(size) + '\n';
    if (size > 0 && data)
        bytes.append(reinterpret_cast<const char *>(data), qsizetype(size));
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return kWriteFault;
    }
    if (!file.commit())
        return file.error() == QFileDevice::PermissionsError ? ERROR_ACCESS_DENIED : kWriteFault;
    return ERROR_SUCCESS;
}

long FileRegistry::RegCloseKey(HKEY key) {
    if (!registryRootName(key).isEmpty())
        return ERROR_SUCCESS;  // the predefined roots are never really open
    return handles_.remove(key) ? ERROR_SUCCESS : kInvalidHandle;
}

std::optional<FileRegistry::Value> FileRegistry::readValue(HKEY root, const QString &subKey,
                                                           const QByteArray &valueName) const {
    const QString folder = existingFolder(root, subKey);
    if (folder.isEmpty())
        return std::nullopt;
    const QString entry = findEntry(QDir(folder), QString::fromLocal8Bit(valueName), QDir::Files);
    if (entry.isEmpty())
        return std::nullopt;
    QFile file(QDir(folder).filePath(entry));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray header = file.readLine().trimmed();
    const QList<QByteArray> fields = header.split(' ');
    if (fields.size() != 3 || fields[0] != kValueMagic || !fields[1].startsWith("type=") ||
        !fields[2].startsWith("size="))
        return std::nullopt;
    bool typeOk = false, sizeOk = false;
    Value value;
    value.type = fields[1].mid(5).toUInt(&typeOk);
    const qint64 size = fields[2].mid(5).toLongLong(&sizeOk);
    value.data = file.readAll();
    if (!typeOk || !sizeOk || value.data.size() != size)
        return std::nullopt;
    return value;
}

// ---- Input -----------------------------------------------------------------

void QtInputSystem::SendKeys(const QString &keys, bool wait) {
    const QList<KeyStroke> strokes = parseSendKeys(keys);
    if (QWidget *target = QApplication::focusWidget()) {
        deliverKeys(target, strokes, wait);
        return;
    }
    if (wait)
        return;
    // Keys sent without waiting join the input still to come, as typed keys
    // do, and go to the control that has the keyboard when they are handled.
    // Right after a dialog closes no window has it: the window manager gives
    // it back to the main window a moment later. Keys that no control takes
    // within a second are dropped.
    auto *waiting = new QObject(qApp);
    QObject::connect(qApp, &QApplication::focusChanged, waiting, [waiting, strokes](QWidget *, QWidget *now) {
        if (!now)
            return;
        deliverKeys(now, strokes, false);
        waiting->deleteLater();
    });
    QTimer::singleShot(1000, waiting, &QObject::deleteLater);
}

QWidget *QtInputSystem::ActiveControl() { return QApplication::focusWidget(); }

QWidget *QtInputSystem::GetFocus() { return QApplication::focusWidget(); }

long QtInputSystem::SendMessageA(QWidget *hwnd, quint32 msg, quintptr wParam, qintptr lParam) {
    return deliverWindowMessage(hwnd, msg, wParam, lParam);
}

// ---- Screen fonts, command line, process -----------------------------------

const QStringList &QtScreenFonts::families() {
    if (!families_)
        families_ = QFontDatabase::families();
    return *families_;
}

int QtScreenFonts::FontCount() { return int(families().size()); }

QString QtScreenFonts::Fonts(int index) {
    const QStringList &list = families();
    if (index < 0 || index >= list.size())
        throw PlatformError(QStringLiteral("Font index %1 out of range").arg(index));
    return list.at(index);
}

QtCommandLine::QtCommandLine(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        words_ << QString::fromLocal8Bit(argv[i]);
}

QString QtCommandLine::Command() { return words_.join(QLatin1Char(' ')); }

void QtProcessControl::End() {
    QCoreApplication::exit(0);
    throw EndProgram();
}

}  // namespace pennaro
