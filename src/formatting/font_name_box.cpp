// The font-name box on the toolbar strip: a pick from its list sets the
// selection's font.
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "shell/statusbar.h"

#include <QComboBox>

namespace pennaro {

// Only the font name changes: not the size, not panel 3, and not the focus,
// which stays in the box for the next pick. A name is kept as it stands,
// installed or not (see RichTextBox::setSelFontName); an empty one names no
// font and changes nothing.
void Form1::Combo1_Click() {
    const QString name = Combo1->currentText();
    if (name.trimmed().isEmpty())
        return;
    RichTextBox1->setSelFontName(name);
    StatusBar1->setPanelText(2, name);
}

}  // namespace pennaro
