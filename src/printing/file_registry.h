// The registry kept as folders and files, for a platform that has none.
//
// Below a base folder ($XDG_CONFIG_HOME/Pennaro/registry by default) each
// root key is a folder named after it (HKEY_LOCAL_MACHINE, ...) and a key is
// a folder below that, one per part of its path. A key exists exactly when
// its folder does; nothing here creates one (whoever installs a printer
// creates its key). Names compare without regard to case, as the registry's
// do. A key folder its owner may not write to is a read-only key for
// everyone, root included, as a key's permissions bind administrators too.
//
// A value is a text file in its key's folder, named by the percent-encoded
// value name ("@" for the key's unnamed value), that a person can read and
// check against what was written:
//
//     PENNARO-REGISTRY-VALUE
//     type 3 REG_BINARY
//     size 442
//     45 50 53 4f 4e 20 53 74 79 6c 75 73 20 43 4f 4c
//     ...                      (sixteen bytes a line)
//
// A write replaces the whole file at once (platform/filesave.h): the new
// text goes to a temporary file that is renamed over the old one, so a crash
// or a full disk leaves the old value or the new one, never a mix.
#pragma once

#include "platform/registry.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>

namespace pennaro {

class FileRegistry : public Registry {
public:
    // base: the folder holding the root keys; empty for the default,
    // <generic config location>/Pennaro/registry.
    explicit FileRegistry(const QString &base = QString());

    long RegOpenKeyExA(HKEY root, const std::string &subKey, std::uint32_t options, std::uint32_t samDesired,
                       HKEY *result) override;
    long RegSetValueExA(HKEY key, const std::string &valueName, std::uint32_t reserved, std::uint32_t type,
                        const std::uint8_t *data, std::uint32_t size) override;
    long RegCloseKey(HKEY key) override;

    QString base() const { return base_; }
    // The folder that stands for the key, spelled as given (whether it
    // exists or not); root must be a predefined root.
    QString keyFolder(HKEY root, const std::string &subKey) const;

    struct Value {
        std::uint32_t type = 0;
        QByteArray data;
    };
    // Reads a value back; nullopt when the key or the value is missing or
    // its file is damaged.
    std::optional<Value> readValue(HKEY root, const std::string &subKey, const std::string &valueName) const;

    // The text of a value's file, and back.
    static QByteArray formatValue(std::uint32_t type, const std::uint8_t *data, std::uint32_t size);
    static std::optional<Value> parseValue(const QByteArray &text);

private:
    QString existingFolder(HKEY root, const std::string &subKey) const;
    QMap<HKEY, QString> handles_;
    HKEY next_ = 1;
    QString base_;
};

}  // namespace pennaro
