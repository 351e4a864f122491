// The Qt implementations of the small platform services.
#pragma once

#include "platform/services.h"

#include <QMap>
#include <QStringList>
#include <optional>

namespace pennaro {

class QtClipboard : public Clipboard {
public:
    void Clear() override;
    void SetText(const QString &text) override;
    QString GetText() override;
};

// QSettings in INI format per user: organisation "Pennaro", the application
// name given by the caller, one group per section.
class QtSettingsStore : public SettingsStore {
public:
    QString GetSetting(const QString &app, const QString &section, const QString &key,
                       const QString &defaultValue) override;
    void SaveSetting(const QString &app, const QString &section, const QString &key, const QString &value) override;
};

// The registry kept as folders and files, for a platform that has none.
// A key is a folder under <base>/<root name>/, one folder per path element;
// a key exists exactly when its folder does, and nothing here creates one.
// A value is a file in its key's folder, named by the percent-encoded value
// name, holding a one-line header ("PENNARO-REGISTRY-VALUE type=3 size=442")
// followed by the value's bytes. Names compare without regard to case, as
// the registry's do.
class FileRegistry : public Registry {
public:
    // base: the folder holding the root keys; by default
    // <generic config location>/Pennaro/registry.
    explicit FileRegistry(const QString &base = QString());

    long RegOpenKeyExA(HKEY root, const QByteArray &subKey, quint32 options, quint32 samDesired,
                       HKEY *result) override;
    long RegSetValueExA(HKEY key, const QByteArray &valueName, quint32 reserved, quint32 type, const quint8 *data,
                        quint32 size) override;
    long RegCloseKey(HKEY key) override;

    QString base() const { return base_; }
    // The folder that stands for the key (whether it exists or not).
    QString keyFolder(HKEY root, const QString &subKey) const;
    struct Value {
        quint32 type = 0;
        QByteArray data;
    };
    // Reads a value back; nullopt when the key or value is missing or damaged.
    std::optional<Value> readValue(HKEY root, const QString &subKey, const QByteArray &valueName) const;

private:
    QString existingFolder(HKEY root, const QString &subKey) const;
    QMap<HKEY, QString> handles_;
    HKEY next_ = 1;
    QString base_;
};

// Keystrokes go to the focused widget of the application.
class QtInputSystem : public InputSystem {
public:
    void SendKeys(const QString &keys, bool wait) override;
    QWidget *ActiveControl() override;
    QWidget *GetFocus() override;
    long SendMessageA(QWidget *hwnd, quint32 msg, quintptr wParam, qintptr lParam) override;
};

class QtScreenFonts : public ScreenFonts {
public:
    int FontCount() override;
    QString Fonts(int index) override;  // throws PlatformError out of range

private:
    const QStringList &families();
    std::optional<QStringList> families_;
};

// The words after the program's name, joined by single spaces. They are
// taken from main's argv before QApplication exists: QApplication removes
// the options it knows (-style, -reverse, ...) from its own list, and a
// file named like one of them must still reach start-up.
class QtCommandLine : public CommandLine {
public:
    QtCommandLine(int argc, char **argv);
    QString Command() override;

private:
    QStringList words_;
};

// $XDG_STATE_HOME/Pennaro/recovery, by default ~/.local/state/Pennaro/recovery
// (Qt 6.4 has no state location of its own).
class QtRecoveryLocation : public RecoveryLocation {
public:
    QString Folder() override;
};

class QtProcessControl : public ProcessControl {
public:
    [[noreturn]] void End() override;
};

}  // namespace pennaro
