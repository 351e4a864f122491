// Every text the user sees, in one place. Captions and messages are English,
// the window caption, tooltips and status texts Chinese, as a Simplified
// Chinese desktop user of this editor knows them.
#pragma once

#include <QString>

namespace pennaro::texts {

inline const QString AppTitle = QStringLiteral("Pennaro");
inline const QString WindowCaption = QStringLiteral("RTF文件编辑器");

// Status panels and the font-name box at start.
inline const QString PanelStatus = QStringLiteral("状态");
inline const QString PanelFont = QStringLiteral("字体");
inline const QString PanelSize = QStringLiteral("字号");
inline const QString ComboStart = QStringLiteral("字体");

// Start-up gave up.
inline const QString StartupFailed = QStringLiteral("程序出错!");

// The shared common dialog's file filter.
inline const QString FileFilter = QStringLiteral("Rtf文件 (*.Rtf)|*.rtf|所有文件(*.*)|*.*");

// Prompts and messages.
inline const QString SaveChangesPrompt = QStringLiteral("Would you like to save your changes?");
inline const QString FindPrompt = QStringLiteral("Enter text to be found:");
inline const QString FindTitle = QStringLiteral("输入搜寻串");
inline const QString StringNotFound = QStringLiteral("String not found.");
inline const QString SelectOneSize = QStringLiteral("请选择同号字体");
inline const QString RedidIt = QStringLiteral("Redid IT");
inline const QString NoRedo = QStringLiteral("No redo performed.");

// A write that failed: names the file and the reason.
inline QString cannotSave(const QString &fileName, const QString &reason) {
    return QStringLiteral("Could not save %1.\n%2").arg(fileName, reason);
}
// Save As chose a file that exists already.
inline QString confirmReplace(const QString &fileName) {
    return QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(fileName);
}

// Shown while a printout's pages are produced.
inline QString printingPage(int page, int pageCount) {
    return QStringLiteral("正在打印第 %1 页，共 %2 页").arg(page).arg(pageCount);
}

// The recovery copy that a crash, a kill or a lost session left behind,
// offered at the next start. Chinese first, English below.
inline const QString RecoveryUntitled = QStringLiteral("未命名 (Untitled)");
// document: the file's name and path, or RecoveryUntitled; savedAt: when the
// copy was written; number of count: which of the copies found this is;
// commandLine: the file named on the command line, empty when none.
inline QString offerRecovery(const QString &document, const QString &savedAt, int number, int count,
                             const QString &commandLine) {
    QString text = QStringLiteral("发现一份未保存的文档的恢复副本：Pennaro 没有正常结束。\n"
                                  "A recovery copy of a document with unsaved changes was found: "
                                  "Pennaro did not end normally.\n\n"
                                  "文档 Document:  %1\n"
                                  "时间 Saved at:  %2\n")
                       .arg(document, savedAt);
    if (count > 1)
        text += QStringLiteral("第 %1 份，共 %2 份 Copy %1 of %2\n").arg(number).arg(count);
    if (!commandLine.isEmpty())
        text += QStringLiteral("\n恢复后，命令行中的 %1 不会打开。\n"
                               "If you restore it, %1 from the command line is not opened.\n")
                    .arg(commandLine);
    return text + QStringLiteral("\n是否恢复？\nRestore it?");
}
inline const QString ConfirmDeleteRecovery =
    QStringLiteral("删除这份恢复副本吗？其中未保存的修改将永久丢失。\n"
                   "Delete this recovery copy? Its unsaved changes will be lost for good.\n\n"
                   "选择“否”保留副本，下次启动时再次询问。\n"
                   "Choose No to keep it; you will be asked again at the next start.");
// reason names the copy's file.
inline QString cannotRestore(const QString &reason) {
    return QStringLiteral("恢复副本无法读取，已原样保留。\nThe recovery copy cannot be read; it is kept as it is.\n%1")
        .arg(reason);
}
inline const QString RecoveryTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// Menu captions; "&" marks the access key.
inline const QString MenuFile = QStringLiteral("&File");
inline const QString MenuOpen = QStringLiteral("&Open...");
inline const QString MenuClose = QStringLiteral("&Close");
inline const QString MenuSave = QStringLiteral("&Save");
inline const QString MenuSaveAs = QStringLiteral("Save &As...");
inline const QString MenuPrint = QStringLiteral("&Print...");
inline const QString MenuExit = QStringLiteral("E&xit");
inline const QString MenuEdit = QStringLiteral("&Edit");
inline const QString MenuUndo = QStringLiteral("&Undo");
inline const QString MenuRedo = QStringLiteral("&Redo");
inline const QString MenuCut = QStringLiteral("Cu&t");
inline const QString MenuDel = QStringLiteral("&Del");
inline const QString MenuSelectAll = QStringLiteral("Select &All");
inline const QString MenuCopy = QStringLiteral("&Copy");
inline const QString MenuPaste = QStringLiteral("&Paste");
inline const QString MenuFind = QStringLiteral("&Find...");
inline const QString MenuFindNext = QStringLiteral("Find&Next");
inline const QString MenuFindAll = QStringLiteral("Find al&l");
inline const QString MenuFormat = QStringLiteral("F&ormat");
inline const QString MenuAllCaps = QStringLiteral("&All Caps");
inline const QString MenuFont = QStringLiteral("&Font...");
inline const QString MenuBold = QStringLiteral("&Bold");
inline const QString MenuItalic = QStringLiteral("&Italic");
inline const QString MenuUnderline = QStringLiteral("&Underline");

// Toolbar tooltips.
inline const QString TipNew = QStringLiteral("新建");
inline const QString TipOpen = QStringLiteral("打开");
inline const QString TipSave = QStringLiteral("保存");
inline const QString TipPrint = QStringLiteral("打印");
inline const QString TipCut = QStringLiteral("剪切");
inline const QString TipCopy = QStringLiteral("复制");
inline const QString TipPaste = QStringLiteral("粘贴");
inline const QString TipBold = QStringLiteral("粗体");
inline const QString TipItalic = QStringLiteral("斜体");
inline const QString TipUnderline = QStringLiteral("下划线");
inline const QString TipColor = QStringLiteral("字体颜色");
inline const QString TipUp = QStringLiteral("增大字号");
inline const QString TipDown = QStringLiteral("减小字号");

// Settings store.
inline const QString SettingsApp = QStringLiteral("Pennaro");
inline const QString SettingsSection = QStringLiteral("Settings");

// The font dialog of the platform layer (name, size, colour and effects).
inline const QString FontDialogTitle = QStringLiteral("字体");
inline const QString FontDialogFamily = QStringLiteral("字体(&F):");
inline const QString FontDialogSize = QStringLiteral("字号(&S):");
inline const QString FontDialogColor = QStringLiteral("颜色(&C):");
inline const QString FontDialogColorButton = QStringLiteral("选择...");
inline const QString FontDialogEffects = QStringLiteral("效果");
inline const QString FontDialogBold = QStringLiteral("粗体(&B)");
inline const QString FontDialogItalic = QStringLiteral("斜体(&I)");
inline const QString FontDialogUnderline = QStringLiteral("下划线(&U)");
inline const QString FontDialogStrikethru = QStringLiteral("删除线(&K)");
inline const QString FontDialogSample = QStringLiteral("示例");
inline const QString FontDialogSampleText = QStringLiteral("AaBbYyZz 中文字体");

}  // namespace pennaro::texts
