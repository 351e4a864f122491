// Copy, Cut, Paste, Del and Select All. The clipboard carries plain text
// only, both ways; a clipboard text that is RTF markup is pasted as the
// formatted content it describes (SelRTF decides). A clipboard that fails
// fails the command before the document is touched, so Cut never loses the
// text it could not put on the clipboard.
#include "platform/richtextbox.h"
#include "shell/form1.h"

namespace pennaro {

namespace {

void putSelectionOnClipboard(const Form1 &form) {
    Clipboard &clipboard = *form.services().clipboard;
    clipboard.Clear();
    clipboard.SetText(form.RichTextBox1->SelText());
}

}  // namespace

void Form1::mnuCopyItem_Click() { putSelectionOnClipboard(*this); }

void Form1::mnuCutItem_Click() {
    putSelectionOnClipboard(*this);
    RichTextBox1->setSelRTF(QString());
}

void Form1::mnuPasteItem_Click() { RichTextBox1->setSelRTF(services_.clipboard->GetText()); }

void Form1::mnudel_Click() {
    // A real Delete key for whichever control has the focus: in the font-name
    // box it edits the box's text. Delivered before this returns.
    services_.input->SendKeys(QStringLiteral("{DELETE}"), true);
}

void Form1::mnuSelectAll_Click() {
    RichTextBox1->setSelStart(0);
    RichTextBox1->setSelLength(int(RichTextBox1->Text().size()));
}

}  // namespace pennaro
