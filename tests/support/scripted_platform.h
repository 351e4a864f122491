// Scripted stand-ins for every platform service, for behaviour tests that
// drive the real main window through its handlers.
//
// ScriptedDialogHost answers dialogs from a queue the test fills, in order,
// and records every dialog shown with its texts and options. A dialog the
// test did not queue (or one of another kind than queued) fails the current
// test: prompts are behaviour.
#pragma once

#include "platform/dialoghost.h"
#include "platform/errors.h"
#include "platform/services.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <optional>

class QWidget;

namespace pennaro::testing {

enum class DialogKind { MessageBox, InputBox, FileOpen, FileSave, Font, Color, Printer };
const char *dialogKindName(DialogKind kind);

// One dialog as the user saw it.
struct ShownDialog {
    DialogKind kind;
    QString prompt;       // message box / input box text
    QString title;        // input box title; message box title as requested (empty = application title)
    int buttons = 0;      // message box style
    QString defaultText;  // input box default answer
    QString filter;       // file dialogs
    int filterIndex = 1;
    QString fileName;          // file dialogs: initial name
    int flags = 0;             // every common dialog: the Flags it was shown with
    FontChoice font;           // font dialog: what it was preset with
    quint32 color = 0;         // colour dialog: preset colour
    bool busyPointer = false;  // the pointer was busy when it came up
};

class ScriptedDialogHost : public DialogHost {
public:
    // Queue answers, in the order the dialogs are expected.
    void answerMessage(int result);         // vbYes, vbNo, vbCancel, vbOK
    void answerInput(const QString &text);  // empty text = Cancel
    void answerOpen(const QString &path);
    void answerSave(const QString &path);
    void answerFont(const FontChoice &choice);
    void answerColor(quint32 color);
    // A real QPrinter writing PDF, its print range as the flags preset it
    // or, with printRange >= 0, the QPrinter::PrintRange the user switched to.
    void answerPrinterPdf(const QString &pdfPath, int printRange = -1);
    void answerPrinter(std::shared_ptr<QPrinter> printer);  // a printer of the test's own
    void cancel(DialogKind kind);                           // that kind of dialog, closed with Cancel

    const QList<ShownDialog> &shown() const { return shown_; }
    QList<ShownDialog> takeShown();  // returns and forgets what was shown
    int pending() const { return int(queue_.size()); }

    int messageBox(const MessageBoxRequest &request) override;
    QString inputBox(const InputBoxRequest &request) override;
    std::optional<FileDialogAnswer> fileDialog(const FileDialogRequest &request) override;
    std::optional<FontChoice> fontDialog(const FontDialogRequest &request) override;
    std::optional<quint32> colorDialog(const ColorDialogRequest &request) override;
    std::shared_ptr<QPrinter> printerDialog(const PrinterDialogRequest &request) override;

private:
    struct Answer {
        DialogKind kind;
        bool cancel = false;
        int result = 0;
        QString text;
        FontChoice font;
        quint32 color = 0;
        std::shared_ptr<QPrinter> printer;
    };
    Answer take(DialogKind kind, const ShownDialog &shown);  // fails the test when unexpected
    std::deque<Answer> queue_;
    QList<ShownDialog> shown_;
};

class ScriptedClipboard : public Clipboard {
public:
    void Clear() override {
        refuseWhileHeld();
        text_.reset();
    }
    void SetText(const QString &text) override {
        refuseWhileHeld();
        text_ = text;
    }
    QString GetText() override {
        refuseWhileHeld();
        return text_.value_or(QString());
    }
    std::optional<QString> text_;  // nullopt: holds no text
    bool held = false;             // another program holds it open: every call fails

private:
    void refuseWhileHeld() const {
        if (held)
            throw PlatformError(QStringLiteral("The clipboard is held by another program"));
    }
};

class ScriptedSettings : public SettingsStore {
public:
    QString GetSetting(const QString &app, const QString &section, const QString &key,
                       const QString &defaultValue) override;
    void SaveSetting(const QString &app, const QString &section, const QString &key, const QString &value) override;
    static QString path(const QString &app, const QString &section, const QString &key);  // "app/section/key"
    QMap<QString, QString> values;                                                        // by path()
    QSet<QString> failingWrites;  // paths whose SaveSetting throws
    QStringList writes;           // paths in the order written
};

class ScriptedRegistry : public Registry {
public:
    long RegOpenKeyExA(HKEY root, const std::string &subKey, std::uint32_t options, std::uint32_t samDesired,
                       HKEY *result) override;
    long RegSetValueExA(HKEY key, const std::string &valueName, std::uint32_t reserved, std::uint32_t type,
                        const std::uint8_t *data, std::uint32_t size) override;
    long RegCloseKey(HKEY key) override;
    // Keys that exist, as "root\\path"; values written, as "root\\path\\name".
    // The root is spelled out ("HKEY_LOCAL_MACHINE\\System\\..."); opening
    // compares names without regard to case, and a value is recorded under
    // the key's spelling in this set.
    QSet<QString> keys;
    struct Value {
        quint32 type;
        QByteArray data;
    };
    QMap<QString, Value> values;
    int openHandles = 0;

private:
    QMap<HKEY, QString> handles_;
    HKEY next_ = 1;
};

// Delivers real key events synchronously to the focused widget (or to the
// widget set with setFocus), and records what was sent.
class ScriptedInput : public InputSystem {
public:
    void SendKeys(const QString &keys, bool wait) override;
    QWidget *ActiveControl() override;
    QWidget *GetFocus() override;
    long SendMessageA(QWidget *hwnd, quint32 msg, quintptr wParam, qintptr lParam) override;
    void setFocus(QWidget *widget) { focus_ = widget; }
    QStringList sentKeys;
    QList<quint32> sentMessages;

private:
    QPointer<QWidget> focus_;
};

// Throws a PlatformError while count is above zero, counting it down.
inline void failOnce(int &count) {
    if (count > 0) {
        --count;
        throw PlatformError(QStringLiteral("scripted failure"));
    }
}

class ScriptedFonts : public ScreenFonts {
public:
    int FontCount() override {
        failOnce(failuresLeft);
        return int(names.size());
    }
    QString Fonts(int index) override { return names.value(index); }
    QStringList names{QStringLiteral("宋体"), QStringLiteral("Arial"), QStringLiteral("黑体"), QStringLiteral("Arial")};
    int failuresLeft = 0;  // FontCount fails this many times before it answers
};

class ScriptedCommandLine : public CommandLine {
public:
    QString Command() override {
        failOnce(failuresLeft);
        return text;
    }
    QString text;
    int failuresLeft = 0;  // Command fails this many times before it answers
};

class ScriptedProcess : public ProcessControl {
public:
    [[noreturn]] void End() override;  // records, then throws EndProgram
    bool ended = false;
};

// A recovery folder of the test's own, not created until a copy is written.
// Two platforms given the same folder stand for two programs of one user.
class ScriptedRecoveryLocation : public RecoveryLocation {
public:
    QString Folder() override { return folder; }
    QTemporaryDir base;
    QString folder = base.filePath(QStringLiteral("Pennaro/recovery"));
};

// All of the above, wired into a Services value.
struct ScriptedPlatform {
    ScriptedDialogHost dialogs;
    ScriptedClipboard clipboard;
    ScriptedSettings settings;
    ScriptedRegistry registry;
    ScriptedInput input;
    ScriptedFonts fonts;
    ScriptedCommandLine commandLine;
    ScriptedProcess process;
    ScriptedRecoveryLocation recovery;
    Services services();
};

}  // namespace pennaro::testing
