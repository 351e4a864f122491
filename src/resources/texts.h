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

// Settings store.
inline const QString SettingsApp = QStringLiteral("Pennaro");
inline const QString SettingsSection = QStringLiteral("Settings");

}  // namespace pennaro::texts
