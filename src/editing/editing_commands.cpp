// Edit menu commands. They are wired to their menu items and shortcuts
// already; their behaviour arrives with the editing commands' own change.
#include "shell/form1.h"

namespace pennaro {

void Form1::mnuCopyItem_Click() {}
void Form1::mnuCutItem_Click() {}
void Form1::mnuPasteItem_Click() {}
void Form1::mnudel_Click() {}
void Form1::mnuSelectAll_Click() {}
void Form1::mnuUndo_Click() {}
void Form1::mnuRedo_Click() {}
void Form1::mnuFindItem_Click() {}
void Form1::mnuFindNextItem_Click() {}
void Form1::mnufindall_Click() {}

}  // namespace pennaro
