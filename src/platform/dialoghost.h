// Everything modal that a handler shows goes through one DialogHost: the
// common dialogs, the message box and the input prompt. The program uses the
// Qt host (qtdialoghost.h); tests use a scripted host that answers from a
// queue and records every dialog with its texts and options.
#pragma once

#include <QString>
#include <memory>
#include <optional>

class QPrinter;

namespace pennaro {

// Message box button styles and answers. vbDefaultButton2 added to a style
// makes its second button the default one.
enum MsgBoxStyle { vbOKOnly = 0, vbYesNoCancel = 3, vbYesNo = 4, vbDefaultButton2 = 0x100 };
enum MsgBoxResult { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

struct MessageBoxRequest {
    QString prompt;
    int buttons = vbOKOnly;  // MsgBoxStyle
    QString title;           // empty: the application title "Pennaro"
};

struct InputBoxRequest {
    QString prompt;
    QString title;
    QString defaultText;
};

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString filter;       // "Description|*.ext|Description|*.*" pairs
    int filterIndex = 1;  // 1-based entry of the filter shown first
    QString fileName;     // initial file name, may be empty
    QString initDir;      // initial folder, empty: the current directory
    QString title;        // empty: the platform's own title
    int flags = 0;        // the shared dialog's Flags, as set by the caller
};

struct FileDialogAnswer {
    QString path;         // full path of the chosen file
    int filterIndex = 1;  // the filter entry in use when OK was pressed
};

struct FontChoice {
    QString name;
    float size = 12.0f;
    quint32 color = 0;  // 0xBBGGRR
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethru = false;
    bool operator==(const FontChoice &) const = default;
};

struct FontDialogRequest {
    FontChoice initial;
    int flags = 0;
};

struct ColorDialogRequest {
    quint32 color = 0;  // 0xBBGGRR
    int flags = 0;
};

struct PrinterDialogRequest {
    int flags = 0;  // &H1 selection range chosen, &H8 no page numbers, &H100 return a device context
};

class DialogHost {
public:
    virtual ~DialogHost() = default;
    // The answers below use std::nullopt (or a null printer) for Cancel.
    virtual int messageBox(const MessageBoxRequest &request) = 0;  // an MsgBoxResult
    virtual QString inputBox(const InputBoxRequest &request) = 0;  // empty text on Cancel
    virtual std::optional<FileDialogAnswer> fileDialog(const FileDialogRequest &request) = 0;
    virtual std::optional<FontChoice> fontDialog(const FontDialogRequest &request) = 0;
    virtual std::optional<quint32> colorDialog(const ColorDialogRequest &request) = 0;
    virtual std::shared_ptr<QPrinter> printerDialog(const PrinterDialogRequest &request) = 0;
};

}  // namespace pennaro
