#include "platform/commondialog.h"

#include "platform/errors.h"
#include "resources/texts.h"

#include <QDir>
#include <QFileInfo>

namespace pennaro {

namespace {

FileDialogRequest fileRequest(FileDialogKind kind, const CommonDialog &dialog) {
    FileDialogRequest request;
    request.kind = kind;
    request.filter = dialog.Filter;
    request.filterIndex = dialog.FilterIndex;
    request.fileName = dialog.FileName;
    request.initDir = dialog.InitDir;
    request.title = dialog.DialogTitle;
    request.flags = dialog.Flags;
    return request;
}

}  // namespace

void CommonDialog::ShowOpen() {
    const std::optional<FileDialogAnswer> answer = host_.fileDialog(fileRequest(FileDialogKind::Open, *this));
    if (!answer) {
        if (CancelError)
            throw DialogCancelled();
        return;
    }
    acceptFile(*answer);
}

void CommonDialog::ShowSave(const std::function<QString(const QString &)> &savedAs) {
    FileDialogRequest request = fileRequest(FileDialogKind::Save, *this);
    for (;;) {
        const std::optional<FileDialogAnswer> answer = host_.fileDialog(request);
        if (!answer) {
            if (CancelError)
                throw DialogCancelled();
            return;
        }
        const QString path = QFileInfo(answer->path).absoluteFilePath();
        const QString target = savedAs ? savedAs(path) : path;
        if (!QFileInfo::exists(target)) {
            acceptFile(*answer);
            return;
        }
        MessageBoxRequest confirm;
        confirm.prompt = texts::confirmReplace(QDir::toNativeSeparators(target));
        confirm.buttons = vbYesNo;
        if (host_.messageBox(confirm) == vbYes) {
            acceptFile(*answer);
            return;
        }
        // No: the dialog comes back with the name the user had chosen.
        request.fileName = path;
        request.filterIndex = answer->filterIndex;
    }
}

void CommonDialog::acceptFile(const FileDialogAnswer &answer) {
    const QFileInfo info(answer.path);
    FileName = QDir::toNativeSeparators(info.absoluteFilePath());
    FileTitle = info.fileName();
    FilterIndex = answer.filterIndex;
    if (!(Flags & cdlOFNNoChangeDir))
        QDir::setCurrent(info.absolutePath());
}

void CommonDialog::ShowFont() {
    FontDialogRequest request;
    request.initial.name = FontName;
    request.initial.size = FontSize;
    request.initial.color = Color;
    request.initial.bold = FontBold;
    request.initial.italic = FontItalic;
    request.initial.underline = FontUnderline;
    request.initial.strikethru = FontStrikethru;
    request.flags = Flags;
    const std::optional<FontChoice> choice = host_.fontDialog(request);
    if (!choice) {
        if (CancelError)
            throw DialogCancelled();
        return;
    }
    FontName = choice->name;
    FontSize = choice->size;
    Color = choice->color;
    FontBold = choice->bold;
    FontItalic = choice->italic;
    FontUnderline = choice->underline;
    FontStrikethru = choice->strikethru;
}

void CommonDialog::ShowColor() {
    ColorDialogRequest request;
    request.color = Color;
    request.flags = Flags;
    const std::optional<quint32> color = host_.colorDialog(request);
    if (!color) {
        if (CancelError)
            throw DialogCancelled();
        return;
    }
    Color = *color;
}

void CommonDialog::ShowPrinter() {
    PrinterDialogRequest request;
    request.flags = Flags;
    std::shared_ptr<QPrinter> printer = host_.printerDialog(request);
    if (!printer) {
        if (CancelError)
            throw DialogCancelled();
        return;
    }
    hDC = std::move(printer);
}

}  // namespace pennaro
