// The Format menu's Bold, Italic and Underline toggles (also on the toolbar)
// and All Caps.
#include "platform/richtextbox.h"
#include "platform/uppercase.h"
#include "shell/form1.h"

namespace pennaro {

namespace {

// Negates one style attribute of the selection. A selection that mixes the
// attribute reads Null, and writing its negation (Null again) would do
// nothing visible; such a selection gets the attribute throughout instead,
// as it does in every other editor.
void toggle(RichTextBox &box, std::optional<bool> (RichTextBox::*read)() const,
            void (RichTextBox::*write)(std::optional<bool>)) {
    const std::optional<bool> now = (box.*read)();
    (box.*write)(now ? !*now : true);
}

}  // namespace

void Form1::mnuBoldItem_Click() { toggle(*RichTextBox1, &RichTextBox::SelBold, &RichTextBox::setSelBold); }

void Form1::mnuItalicItem_Click() { toggle(*RichTextBox1, &RichTextBox::SelItalic, &RichTextBox::setSelItalic); }

void Form1::mnuUnderlineItem_Click() {
    toggle(*RichTextBox1, &RichTextBox::SelUnderline, &RichTextBox::setSelUnderline);
}

// Replaces the selection with its capitals, character for character, so
// that the text keeps its length. The replacement takes the format the
// control gives text that replaces a selection; with a caret there is
// nothing to replace and nothing changes.
void Form1::mnuAllcapsItem_Click() {
    const QString text = RichTextBox1->SelText();
    if (text.isEmpty())
        return;
    RichTextBox1->setSelText(upperCasedInPlace(text));
}

}  // namespace pennaro
