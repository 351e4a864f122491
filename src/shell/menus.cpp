// The menu bar: three menus, items in a fixed order, no separators and no
// check marks. Shortcuts are exactly these; note that Ctrl+S is Save As and
// Save has none. Redo is greyed for good, which also keeps Ctrl+Y inert.
#include "shell/form1.h"

#include "resources/texts.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <functional>

namespace pennaro {

namespace {

struct ItemDef {
    QAction *Form1::*item;
    const QString *caption;
    QKeySequence shortcut;
    bool enabled;
    std::function<void(Form1 &)> handler;
};

struct MenuDef {
    QMenu *Form1::*menu;
    const QString *caption;
    std::vector<ItemDef> items;
};

std::vector<MenuDef> menuTable() {
    using namespace texts;
    const QKeySequence none;
    return {
        {&Form1::mnuFile,
         &MenuFile,
         {
             {&Form1::mnuOpenItem, &MenuOpen, QKeySequence(Qt::CTRL | Qt::Key_O), true,
              [](Form1 &f) { f.mnuOpenItem_Click(); }},
             {&Form1::mnuCloseItem, &MenuClose, none, true, [](Form1 &f) { f.mnuCloseItem_Click(); }},
             {&Form1::mnuSave, &MenuSave, none, true, [](Form1 &f) { f.mnuSave_Click(); }},
             {&Form1::mnuSaveAsItem, &MenuSaveAs, QKeySequence(Qt::CTRL | Qt::Key_S), true,
              [](Form1 &f) { f.mnuSaveAsItem_Click(); }},
             {&Form1::mnuPrintItem, &MenuPrint, QKeySequence(Qt::CTRL | Qt::Key_P), true,
              [](Form1 &f) { f.mnuPrintItem_Click(); }},
             {&Form1::mnuExitItem, &MenuExit, none, true, [](Form1 &f) { f.mnuExitItem_Click(); }},
         }},
        {&Form1::mnuEdit,
         &MenuEdit,
         {
             {&Form1::mnuUndo, &MenuUndo, QKeySequence(Qt::CTRL | Qt::Key_Z), true,
              [](Form1 &f) { f.mnuUndo_Click(); }},
             {&Form1::mnuRedo, &MenuRedo, QKeySequence(Qt::CTRL | Qt::Key_Y), false,
              [](Form1 &f) { f.mnuRedo_Click(); }},
             {&Form1::mnuCutItem, &MenuCut, QKeySequence(Qt::CTRL | Qt::Key_X), true,
              [](Form1 &f) { f.mnuCutItem_Click(); }},
             {&Form1::mnudel, &MenuDel, none, true, [](Form1 &f) { f.mnudel_Click(); }},
             {&Form1::mnuSelectAll, &MenuSelectAll, none, true, [](Form1 &f) { f.mnuSelectAll_Click(); }},
             {&Form1::mnuCopyItem, &MenuCopy, QKeySequence(Qt::CTRL | Qt::Key_C), true,
              [](Form1 &f) { f.mnuCopyItem_Click(); }},
             {&Form1::mnuPasteItem, &MenuPaste, QKeySequence(Qt::CTRL | Qt::Key_V), true,
              [](Form1 &f) { f.mnuPasteItem_Click(); }},
             {&Form1::mnuFindItem, &MenuFind, QKeySequence(Qt::CTRL | Qt::Key_F), true,
              [](Form1 &f) { f.mnuFindItem_Click(); }},
             {&Form1::mnuFindNextItem, &MenuFindNext, QKeySequence(Qt::Key_F3), true,
              [](Form1 &f) { f.mnuFindNextItem_Click(); }},
             {&Form1::mnufindall, &MenuFindAll, none, true, [](Form1 &f) { f.mnufindall_Click(); }},
         }},
        {&Form1::mnuFormat,
         &MenuFormat,
         {
             {&Form1::mnuAllcapsItem, &MenuAllCaps, none, true, [](Form1 &f) { f.mnuAllcapsItem_Click(); }},
             {&Form1::mnuFontItem, &MenuFont, none, true, [](Form1 &f) { f.mnuFontItem_Click(); }},
             {&Form1::mnuBoldItem, &MenuBold, none, true, [](Form1 &f) { f.mnuBoldItem_Click(); }},
             {&Form1::mnuItalicItem, &MenuItalic, none, true, [](Form1 &f) { f.mnuItalicItem_Click(); }},
             {&Form1::mnuUnderlineItem, &MenuUnderline, none, true, [](Form1 &f) { f.mnuUnderlineItem_Click(); }},
         }},
    };
}

}  // namespace

void Form1::buildMenus() {
    for (const MenuDef &menuDef : menuTable()) {
        QMenu *menu = menuBar()->addMenu(*menuDef.caption);
        this->*menuDef.menu = menu;
        for (const ItemDef &def : menuDef.items) {
            auto *action = new QAction(*def.caption, this);
            action->setShortcut(def.shortcut);
            // The shortcuts belong to the whole window, so that they work
            // while the toolbar or the font-name box has the focus as well.
            action->setShortcutContext(Qt::WindowShortcut);
            action->setEnabled(def.enabled);
            action->setMenuRole(QAction::NoRole);
            menu->addAction(action);
            this->*def.item = action;
            auto handler = def.handler;
            connect(action, &QAction::triggered, this,
                    [this, handler] { runHandler([this, handler] { handler(*this); }); });
        }
    }
}

}  // namespace pennaro
