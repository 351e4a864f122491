// The main window. It owns the controls and the window's state (modified
// flag, search state); its handlers keep the names of the controls and
// events they serve. A handler is defined in the folder of its subsystem:
//   shell/       construction, tables, start-up, layout, document state,
//                Close, Exit, closing the window
//   document/    Open, Save, Save As
//   editing/     clipboard, Del, Select All, Undo, Find
//   formatting/  style toggles, fonts, selection tracking, toolbar dispatch
//   printing/    Print
#pragma once

#include "platform/commondialog.h"
#include "platform/services.h"
#include "shell/guard.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QIcon;
class QMenu;
class QToolBar;

namespace pennaro {

class RichTextBox;
class StatusBar;
class ClientArea;
class DocumentRecovery;

// The application icon, 32 x 32 and 16 x 16.
QIcon applicationIcon();

// What the toolbar's click handler is given: the clicked button.
struct ToolbarButton {
    QString Key;
};

// What the Redo handler acts on: an edit object that knows whether it can
// redo and does it. None is ever bound, as the Redo item stays greyed.
struct RedoableEdit {
    virtual ~RedoableEdit() = default;
    virtual bool CanRedo() const = 0;
    virtual void RedoAction() = 0;
};

// Window states as the placement code reads them.
enum WindowStateValue { vbNormal = 0, vbMinimized = 1, vbMaximized = 2 };

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(const Services &services, QWidget *parent = nullptr);
    ~Form1() override;

    // Controls.
    RichTextBox *RichTextBox1 = nullptr;
    QToolBar *Toolbar1 = nullptr;
    StatusBar *StatusBar1 = nullptr;
    QComboBox *Combo1 = nullptr;
    CommonDialog CommonDialog1;

    // Menus and their items.
    QMenu *mnuFile = nullptr, *mnuEdit = nullptr, *mnuFormat = nullptr;
    QAction *mnuOpenItem = nullptr, *mnuCloseItem = nullptr, *mnuSave = nullptr, *mnuSaveAsItem = nullptr,
            *mnuPrintItem = nullptr, *mnuExitItem = nullptr;
    QAction *mnuUndo = nullptr, *mnuRedo = nullptr, *mnuCutItem = nullptr, *mnudel = nullptr, *mnuSelectAll = nullptr,
            *mnuCopyItem = nullptr, *mnuPasteItem = nullptr, *mnuFindItem = nullptr, *mnuFindNextItem = nullptr,
            *mnufindall = nullptr;
    QAction *mnuAllcapsItem = nullptr, *mnuFontItem = nullptr, *mnuBoldItem = nullptr, *mnuItalicItem = nullptr,
            *mnuUnderlineItem = nullptr;

    // Window state.
    bool Modified = false;  // the document's modified flag; only true counts
    QString SearchString;
    int FoundPosition = 0;
    bool RestartSearch = false;
    RedoableEdit *RedoTarget = nullptr;  // never bound

    // Window geometry in twips: the outer frame for Left/Top/Width/Height,
    // the client area below the menu bar (bars included) for the Scale pair.
    double Left() const;
    void setLeft(double twips);
    double Top() const;
    void setTop(double twips);
    double Width() const;
    void setWidth(double twips);
    double Height() const;
    void setHeight(double twips);
    double ScaleWidth() const;
    double ScaleHeight() const;
    int WindowState() const;  // WindowStateValue

    // Shows the Edit menu as a pop-up at the mouse pointer.
    void PopupMenu(QMenu *menu);

    const Services &services() const { return services_; }

    // ---- handlers -------------------------------------------------------
    // shell/
    void Form_Load();
    void Form_Resize();
    void Form_Unload(int &Cancel);
    void RichTextBox1_Change();
    void mnuCloseItem_Click();
    void mnuExitItem_Click();
    // document/
    void mnuOpenItem_Click();
    void mnuSave_Click();
    bool mnuSaveAsItem_Click();  // true when the document was written
    // editing/
    void mnuCopyItem_Click();
    void mnuCutItem_Click();
    void mnuPasteItem_Click();
    void mnudel_Click();
    void mnuSelectAll_Click();
    void mnuUndo_Click();
    void mnuRedo_Click();
    void mnuFindItem_Click();
    void mnuFindNextItem_Click();
    void mnufindall_Click();
    // formatting/
    void mnuBoldItem_Click();
    void mnuItalicItem_Click();
    void mnuUnderlineItem_Click();
    void mnuAllcapsItem_Click();
    void mnuFontItem_Click();
    void Combo1_Click();
    void RichTextBox1_SelChange();
    void RichTextBox1_MouseUp(int Button, int Shift, float X, float Y);
    void Toolbar1_ButtonClick(const ToolbarButton &Button);
    // printing/
    void mnuPrintItem_Click();

    // ---- document state shared by the save, open and close paths --------
    // The document's file name is the text of status panel 1; "状态" or
    // empty text mean it has none.
    QString DocumentFileName() const;
    bool HasFileName() const;
    // Names the document: panel 1 shows `shown` (a bare name after Open),
    // and saves in place go to `fullPath`, the file the document was loaded
    // from or last written to. A bare name alone would be taken against the
    // current directory, which every later file dialog moves.
    void setDocumentFile(const QString &shown, const QString &fullPath);
    // Where a save in place writes: the remembered full path while panel 1
    // still shows the name it came with, the panel's text otherwise.
    QString SaveTarget() const;
    // Writes the document as RTF to the file; on failure shows one message
    // box naming the file and the reason and returns false, changing nothing.
    bool WriteDocument(const QString &fileName);
    // The one save decision of Save, the toolbar's Save, Close and the
    // save-changes prompt: in place when the document has a name, through
    // Save As when it has none. Clears the modified flag once written.
    enum class SaveOutcome { WrittenInPlace, WrittenBySaveAs, NotWritten };
    SaveOutcome SaveDocument();
    // Shows "Would you like to save your changes?"; returns vbYes/vbNo/vbCancel.
    int AskSaveChanges();
    // The prompt as Open, Exit and closing the window use it, before they
    // discard the document: true when they may go on (nothing to save, the
    // user answered No, or the document was written and is now clean);
    // false on Cancel and when a save did not write the document.
    bool OfferToSaveChanges();
    // Sets the modified flag to false: the document was saved, loaded or
    // cleared, and its recovery copy is no longer needed.
    void ClearModified();
    // The recovery copy kept while the document is modified (document/recovery.h).
    DocumentRecovery &Recovery() { return *recovery_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void connectHandlers();
    // Runs a handler for an event of Qt's: guarded, and not at all once the
    // program has ended.
    void runHandler(const std::function<void()> &handler);
    void syncClientArea() const;
    void fitOuterSize(int attempt);

    Services services_;
    ClientArea *client_ = nullptr;
    QString documentPath_;         // full path of the document's file
    QString documentPathShownAs_;  // the panel-1 text that stands for it
    bool ended_ = false;           // End() was called: no further handler runs
    // Outer size in pixels asked for before the window was shown; applied
    // again once the window manager's frame is known.
    int pendingOuterWidth_ = 0;
    int pendingOuterHeight_ = 0;
    std::unique_ptr<DocumentRecovery> recovery_;
};

}  // namespace pennaro
