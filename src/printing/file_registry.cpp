#include "printing/file_registry.h"

#include "platform/errors.h"
#include "platform/filesave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace pennaro {

namespace {

constexpr std::uint32_t kKeySetValue = 0x2;
const QByteArray kValueMagic = "PENNARO-REGISTRY-VALUE";
constexpr int kBytesPerLine = 16;

// The registry's names for its value types, shown beside the number.
const char *typeName(std::uint32_t type) {
    switch (type) {
    case 0: return "REG_NONE";
    case 1: return "REG_SZ";
    case 2: return "REG_EXPAND_SZ";
    case 3: return "REG_BINARY";
    case 4: return "REG_DWORD";
    case 5: return "REG_DWORD_BIG_ENDIAN";
    case 6: return "REG_LINK";
    case 7: return "REG_MULTI_SZ";
    case 11: return "REG_QWORD";
    default: return nullptr;
    }
}

QString fromAnsi(const std::string &bytes) { return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size())); }

// A registry name as a file name: '/', '%', control characters and the
// like are escaped; dots are too, so that "." and ".." stay names and no
// name begins like a hidden file.
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

QStringList keyParts(const std::string &subKey) {
    return fromAnsi(subKey).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// The entry of dir whose decoded name equals name, ignoring case. Hidden
// entries (a temporary file a crash left behind) are never keys or values:
// an encoded name never begins with a dot.
QString findEntry(const QDir &dir, const QString &name, QDir::Filters filters) {
    const QString exact = encodeName(name);
    const QFileInfo exactInfo(dir.filePath(exact));
    if ((filters & QDir::Dirs) ? exactInfo.isDir() : exactInfo.isFile())
        return exact;
    const QStringList entries = dir.entryList(filters | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (decodeName(entry).compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

// Write access by the folder's own permission bits as well as by the
// system's check, which lets root write anywhere.
bool writableKey(const QString &folder) {
    const QFileInfo info(folder);
    return info.isWritable() && info.permissions().testFlag(QFileDevice::WriteOwner);
}

}  // namespace

FileRegistry::FileRegistry(const QString &base)
    : base_(base.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                 QStringLiteral("/Pennaro/registry")
                           : base) {}

QString FileRegistry::keyFolder(HKEY root, const std::string &subKey) const {
    const std::string_view rootName = registryRootName(root);
    QString folder = base_ + QLatin1Char('/') + QLatin1StringView(rootName.data(), qsizetype(rootName.size()));
    for (const QString &part : keyParts(subKey))
        folder += QLatin1Char('/') + encodeName(part);
    return folder;
}

QString FileRegistry::existingFolder(HKEY root, const std::string &subKey) const {
    const std::string_view rootName = registryRootName(root);
    QString folder = rootName.empty()
                         ? handles_.value(root)
                         : base_ + QLatin1Char('/') + QLatin1StringView(rootName.data(), qsizetype(rootName.size()));
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return QString();
    for (const QString &part : keyParts(subKey)) {
        const QString entry = findEntry(QDir(folder), part, QDir::Dirs);
        if (entry.isEmpty())
            return QString();
        folder += QLatin1Char('/') + entry;
    }
    return folder;
}

long FileRegistry::RegOpenKeyExA(HKEY root, const std::string &subKey, std::uint32_t options, std::uint32_t samDesired,
                                 HKEY *result) {
    Q_UNUSED(options);
    if (registryRootName(root).empty() && !handles_.contains(root))
        return ERROR_INVALID_HANDLE;
    const QString folder = existingFolder(root, subKey);
    if (folder.isEmpty())
        return ERROR_FILE_NOT_FOUND;
    if ((samDesired & kKeySetValue) && !writableKey(folder))
        return ERROR_ACCESS_DENIED;
    const HKEY handle = next_++;
    handles_.insert(handle, folder);
    if (result)
        *result = handle;
    return ERROR_SUCCESS;
}

long FileRegistry::RegSetValueExA(HKEY key, const std::string &valueName, std::uint32_t reserved, std::uint32_t type,
                                  const std::uint8_t *data, std::uint32_t size) {
    Q_UNUSED(reserved);
    const auto it = handles_.constFind(key);
    if (it == handles_.constEnd())
        return ERROR_INVALID_HANDLE;
    const QDir folder(it.value());
    if (!folder.exists())
        return ERROR_FILE_NOT_FOUND;  // the key went away while it was open
    if (!writableKey(folder.path()))
        return ERROR_ACCESS_DENIED;
    if (size > 0 && !data)
        return ERROR_WRITE_FAULT;
    const QString name = fromAnsi(valueName);
    QString entry = findEntry(folder, name, QDir::Files);
    if (entry.isEmpty())
        entry = encodeName(name);

    // A new file renamed over the old one: a crash or a full disk leaves the
    // old value whole.
    try {
        saveFileContents(folder.filePath(entry), formatValue(type, data, size));
    } catch (const PlatformError &) {
        return ERROR_WRITE_FAULT;
    }
    return ERROR_SUCCESS;
}

long FileRegistry::RegCloseKey(HKEY key) {
    if (!registryRootName(key).empty())
        return ERROR_SUCCESS;  // the predefined roots are never really open
    return handles_.remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::optional<FileRegistry::Value> FileRegistry::readValue(HKEY root, const std::string &subKey,
                                                           const std::string &valueName) const {
    const QString folder = existingFolder(root, subKey);
    if (folder.isEmpty())
        return std::nullopt;
    const QString entry = findEntry(QDir(folder), fromAnsi(valueName), QDir::Files);
    if (entry.isEmpty())
        return std::nullopt;
    QFile file(QDir(folder).filePath(entry));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseValue(file.readAll());
}

QByteArray FileRegistry::formatValue(std::uint32_t type, const std::uint8_t *data, std::uint32_t size) {
    QByteArray text = kValueMagic + "\ntype " + QByteArray::number(type);
    if (const char *name = typeName(type))
        text += ' ' + QByteArray(name);
    text += "\nsize " + QByteArray::number(size) + '\n';
    text.reserve(text.size() + qsizetype(size) * 3);
    for (std::uint32_t i = 0; i < size; ++i) {
        text += QByteArray::number(data[i], 16).rightJustified(2, '0');
        text += ((i + 1) % kBytesPerLine == 0 || i + 1 == size) ? '\n' : ' ';
    }
    return text;
}

std::optional<FileRegistry::Value> FileRegistry::parseValue(const QByteArray &text) {
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() < 3 || lines[0] != kValueMagic || !lines[1].startsWith("type ") || !lines[2].startsWith("size "))
        return std::nullopt;
    bool typeOk = false, sizeOk = false;
    Value value;
    value.type = lines[1].mid(5).split(' ').value(0).toUInt(&typeOk);
    const qint64 size = lines[2].mid(5).toLongLong(&sizeOk);
    if (!typeOk || !sizeOk || size < 0)
        return std::nullopt;
    for (qsizetype i = 3; i < lines.size(); ++i) {
        for (const QByteArray &token : lines[i].split(' ')) {
            if (token.isEmpty())
                continue;
            bool ok = false;
            const uint byte = token.toUInt(&ok, 16);
            if (!ok || token.size() != 2)
                return std::nullopt;
            value.data.append(char(byte));
        }
    }
    if (value.data.size() != size)
        return std::nullopt;
    return value;
}

}  // namespace pennaro
