// The editing area's selection and mouse notifications: the selection's font
// in status panels 2 and 3 and the font-name box, and the Edit menu as the
// context menu.
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "shell/numbertext.h"
#include "shell/statusbar.h"

#include <QComboBox>

namespace pennaro {

// Runs on every caret move, so it reads the selection once, by format runs
// (RichTextBox::SelFontNameAndSize), never character by character. When
// only one of name and size is mixed, only its display is emptied; the
// other keeps the text it had.
void Form1::RichTextBox1_SelChange() {
    const RichTextBox::FontNameAndSize font = RichTextBox1->SelFontNameAndSize();
    if (!font.name) {
        StatusBar1->setPanelText(2, QString());
        Combo1->setEditText(QString());
    }
    if (!font.size)
        StatusBar1->setPanelText(3, QString());
    if (font.name && font.size) {
        StatusBar1->setPanelText(2, *font.name);
        StatusBar1->setPanelText(3, singleToText(*font.size));
        Combo1->setEditText(*font.name);
    }
}

// Button 2 is the right button.
void Form1::RichTextBox1_MouseUp(int Button, int /*Shift*/, float /*X*/, float /*Y*/) {
    if (Button == 2)
        PopupMenu(mnuEdit);
}

}  // namespace pennaro
