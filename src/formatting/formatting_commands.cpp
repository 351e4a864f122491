// Format menu, font-name box, selection tracking and toolbar commands. They
// are wired already; their behaviour arrives with the formatting change.
#include "shell/form1.h"

namespace pennaro {

void Form1::mnuBoldItem_Click() {}
void Form1::mnuItalicItem_Click() {}
void Form1::mnuUnderlineItem_Click() {}
void Form1::mnuAllcapsItem_Click() {}
void Form1::mnuFontItem_Click() {}
void Form1::Combo1_Click() {}
void Form1::RichTextBox1_SelChange() {}
void Form1::RichTextBox1_MouseUp(int, int, float, float) {}

}  // namespace pennaro
