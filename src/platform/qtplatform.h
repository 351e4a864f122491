// Every platform service of the running program in one place:
//   QtPlatform platform;
//   Form1 window(platform.services());
#pragma once

#include "platform/qtdialoghost.h"
#include "platform/qtservices.h"
#include "platform/services.h"

namespace pennaro {

struct QtPlatform {
    QtDialogHost dialogs;
    QtClipboard clipboard;
    QtSettingsStore settings;
    FileRegistry registry;
    QtInputSystem input;
    QtScreenFonts fonts;
    QtCommandLine commandLine;
    QtProcessControl process;

    Services services() { return Services::of(*this); }
};

}  // namespace pennaro
