// Undo and Redo. The control's own history is the only one there is; Undo
// asks it through the undo request to the focused window, and only while the
// editing area is the active control, so that Undo in the font-name box does
// nothing at all.
#include "platform/editorwidget.h"
#include "resources/texts.h"
#include "shell/form1.h"

namespace pennaro {

void Form1::mnuUndo_Click() {
    if (!qobject_cast<EditorWidget *>(services_.input->ActiveControl()))
        return;
    services_.input->SendMessageA(services_.input->GetFocus(), WM_UNDO, 0, 0);
}

// The Redo item is greyed for the life of the window and Ctrl+Y reaches no
// command, so this never runs.
void Form1::mnuRedo_Click() {
    if (!RedoTarget)
        return;
    if (RedoTarget->CanRedo()) {
        RedoTarget->RedoAction();
        services_.dialogs->messageBox({texts::RedidIt, vbOKOnly, QString()});
    } else {
        services_.dialogs->messageBox({texts::NoRedo, vbOKOnly, QString()});
    }
}

}  // namespace pennaro
