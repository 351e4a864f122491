// Open: offer to save a modified document, then replace it with the RTF file
// the user picks. Panel 1 shows the chosen file's bare name; the document
// keeps the file's full path, so a later Save writes back where the file came
// from wherever later dialogs move the current directory.
#include "platform/busycursor.h"
#include "platform/errors.h"
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "shell/statusbar.h"

namespace pennaro {

void Form1::mnuOpenItem_Click() {
    if (!OfferToSaveChanges())
        return;  // Cancel, or nothing was written: keep the user's document

    CommonDialog1.CancelError = true;
    try {
        CommonDialog1.Flags = cdlOFNFileMustExist;
        CommonDialog1.ShowOpen();
        {
            const BusyCursor busy;
            RichTextBox1->LoadFile(CommonDialog1.FileName, 0);
        }
        setDocumentFile(CommonDialog1.FileTitle, CommonDialog1.FileName);
        ClearModified();
    } catch (const PlatformError &) {
        // Cancel, or a file the editing control does not accept: the command
        // ends without a message, leaving what it had done so far.
    }
}

}  // namespace pennaro
