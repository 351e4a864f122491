// The small platform services the handlers use besides the editing control
// and the dialogs. Each is an interface with a Qt implementation (qtservices.h;
// the registry's is printing/file_registry.h, its interface registry.h) and a
// scripted one for tests (tests/support/).
#pragma once

#include "platform/registry.h"

#include <QString>
#include <QtGlobal>

class QWidget;

namespace pennaro {

class DialogHost;

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void Clear() = 0;
    virtual void SetText(const QString &text) = 0;  // plain text only
    virtual QString GetText() = 0;                  // empty when it holds no text
};

// Per-user settings: application, section, key; values are text.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString GetSetting(const QString &app, const QString &section, const QString &key,
                               const QString &defaultValue) = 0;
    // Throws PlatformError when the value cannot be stored.
    virtual void SaveSetting(const QString &app, const QString &section, const QString &key, const QString &value) = 0;
};

// Keystrokes and window messages aimed at the focused control.
constexpr quint32 WM_UNDO = 0x304;

class InputSystem {
public:
    virtual ~InputSystem() = default;
    // Keys in SendKeys notation; the program uses "{DELETE}" (wait) and
    // "^{HOME}" (no wait).
    virtual void SendKeys(const QString &keys, bool wait) = 0;
    virtual QWidget *ActiveControl() = 0;  // focused control of the active window, or null
    virtual QWidget *GetFocus() = 0;       // the widget with the keyboard focus, or null
    virtual long SendMessageA(QWidget *hwnd, quint32 msg, quintptr wParam, qintptr lParam) = 0;
};

class ScreenFonts {
public:
    virtual ~ScreenFonts() = default;
    virtual int FontCount() = 0;
    virtual QString Fonts(int index) = 0;  // 0-based, in the platform's order
};

class CommandLine {
public:
    virtual ~CommandLine() = default;
    // Everything after the program's name: the arguments joined by single spaces.
    virtual QString Command() = 0;
};

class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    // Ends the program at once: no further handler runs (Form_Unload
    // included). Throws EndProgram to unwind the running handler.
    [[noreturn]] virtual void End() = 0;
};

// Where recovery copies of modified documents are kept (document/recovery.h).
// Nothing is created there until a copy is written.
class RecoveryLocation {
public:
    virtual ~RecoveryLocation() = default;
    virtual QString Folder() = 0;
};

// What one main window is given to work with.
struct Services {
    DialogHost *dialogs = nullptr;
    Clipboard *clipboard = nullptr;
    SettingsStore *settings = nullptr;
    Registry *registry = nullptr;
    InputSystem *input = nullptr;
    ScreenFonts *fonts = nullptr;
    CommandLine *commandLine = nullptr;
    ProcessControl *process = nullptr;
    RecoveryLocation *recovery = nullptr;

    // The services of a platform that holds one of each as members named
    // as above (the Qt one and the tests' scripted one).
    template <class Platform>
    static Services of(Platform &p) {
        return Services{&p.dialogs, &p.clipboard,   &p.settings, &p.registry, &p.input,
                        &p.fonts,   &p.commandLine, &p.process,  &p.recovery};
    }
};

}  // namespace pennaro
