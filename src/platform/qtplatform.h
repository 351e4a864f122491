// Every platform service of the running program in one place:
//   QtCommandLine commandLine(argc, argv);  // before QApplication takes its options out
//   QApplication app(argc, argv);
//   QtPlatform platform(commandLine);
//   Form1 window(platform.services());
#pragma once

#include "platform/qtdialoghost.h"
#include "platform/qtservices.h"
#include "platform/services.h"
#include "printing/file_registry.h"

#include <utility>

namespace pennaro {

struct QtPlatform {
    explicit QtPlatform(QtCommandLine line) : commandLine(std::move(line)) {}

    QtDialogHost dialogs;
    QtClipboard clipboard;
    QtSettingsStore settings;
    FileRegistry registry;
    QtInputSystem input;
    QtScreenFonts fonts;
    QtCommandLine commandLine;
    QtProcessControl process;
    QtRecoveryLocation recovery;

    Services services() { return Services::of(*this); }
};

}  // namespace pennaro
