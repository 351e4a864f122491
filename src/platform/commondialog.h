// The one common dialog object of the main window. Its properties keep their
// values from one use to the next (a command that sets no Flags shows its
// dialog with what the previous command left), so they are plain members.
#pragma once

#include "platform/dialoghost.h"

#include <QString>
#include <functional>
#include <memory>

class QPrinter;

namespace pennaro {

// Option bits the program uses.
enum CommonDialogFlags {
    cdlPDSelection = 0x1,
    cdlPDNoPageNums = 0x8,
    cdlOFNNoChangeDir = 0x8,
    cdlPDReturnDC = 0x100,
    cdlOFNFileMustExist = 0x1000,
    cdlCFScreenFonts = 0x1,
    cdlCFPrinterFonts = 0x2,
    cdlCFEffects = 0x100,
};

class CommonDialog {
public:
    explicit CommonDialog(DialogHost &host) : host_(host) {}

    bool CancelError = false;
    int Flags = 0;
    QString Filter;
    int FilterIndex = 1;
    QString FileName;
    QString FileTitle;
    QString InitDir;
    QString DialogTitle;
    quint32 Color = 0;  // 0xBBGGRR
    QString FontName;
    float FontSize = 0.0f;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    bool FontStrikethru = false;
    std::shared_ptr<QPrinter> hDC;  // the chosen printer after ShowPrinter with &H100

    // Each throws DialogCancelled on Cancel when CancelError is set, and
    // otherwise returns leaving the properties as they were.
    //
    // ShowOpen/ShowSave: on OK, FileName is the full path, FileTitle the name
    // without folder, and (unless Flags has &H8) the chosen file's folder
    // becomes the process's current directory.
    // ShowSave never requires the file to exist, whatever Flags holds, and
    // asks before replacing an existing file (No shows the dialog again).
    // A caller that will write to another name than the chosen one (adding
    // an extension) passes that rule, so that the question is about the
    // file that would really be replaced.
    void ShowOpen();
    void ShowSave(const std::function<QString(const QString &)> &savedAs = {});
    void ShowFont();
    void ShowColor();
    void ShowPrinter();

    DialogHost &host() { return host_; }

private:
    void acceptFile(const FileDialogAnswer &answer);
    DialogHost &host_;
};

}  // namespace pennaro
