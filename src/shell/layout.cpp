// The resize handler: the editing area fills the client area between the
// docked bars, overlapping each by 20 twips.
#include "shell/form1.h"

#include "platform/errors.h"
#include "platform/richtextbox.h"

namespace pennaro {

void Form1::Form_Resize() {
    try {
        const float width = float(ScaleWidth()) - 20.0f;
        const float height = float(ScaleHeight()) - 650.0f;
        // A client area too small for the editing area (a minimized window
        // among them) is refused by Move, which leaves it where it was.
        RichTextBox1->Move(10, 400, width, height);
    } catch (const EndProgram &) {
        throw;
    } catch (...) {
    }
}

}  // namespace pennaro
