// The Print command. It is wired already; its behaviour arrives with the
// printing change.
#include "shell/form1.h"

namespace pennaro {

void Form1::mnuPrintItem_Click() {}

}  // namespace pennaro
