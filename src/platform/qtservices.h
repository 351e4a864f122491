// The Qt implementations of the small platform services.
#pragma once

#include "platform/services.h"

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
