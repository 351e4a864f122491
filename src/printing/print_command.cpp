// The Print command: the printer defaults into the registry, the print
// dialog, then the selection, or the whole document when nothing is
// selected, to the chosen printer.
#include "platform/busycursor.h"
#include "platform/richtextbox.h"
#include "printing/hex_text.h"
#include "printing/printer_defaults.h"
#include "printing/registry_write.h"
#include "resources/texts.h"
#include "shell/form1.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <exception>
#include <vector>

namespace pennaro {

namespace {

// Producing the pages of a long document takes a while. Meanwhile the
// pointer is busy, and after a moment a window counts the pages; it is modal
// to the main window, which stays painted but takes no input until the job
// is done.
class PrintProgress {
public:
    explicit PrintProgress(QWidget *window) : dialog_(window) {
        dialog_.setWindowTitle(texts::AppTitle);
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setCancelButton(nullptr);
        dialog_.setMinimumDuration(500);
        dialog_.setRange(0, 1);
        dialog_.setValue(0);  // starts the clock that decides whether it shows
        // The busy pointer, and the window where the print dialog was, reach
        // the screen before the first page is laid out.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    PrintProgress(const PrintProgress &) = delete;
    PrintProgress &operator=(const PrintProgress &) = delete;

    void pageDone(int done, int total) {
        dialog_.setMaximum(total);
        dialog_.setLabelText(texts::printingPage(done, total));
        dialog_.setValue(done);
    }

private:
    BusyCursor busy_;  // first, so that the pointer is busy before the window appears
    QProgressDialog dialog_;
};

}  // namespace

void Form1::mnuPrintItem_Click() {
    std::vector<std::uint8_t> devMode;
    RegFunction::HexTextToBytes(DefaultDevModeText(), devMode, QStringLiteral("NO"));
    // The key path and value name are ASCII, the same bytes in every ANSI
    // code page. The result does not matter: on a machine without this
    // printer nothing is written, and printing goes on as usual.
    RegFunction::WriteRegistryBinary(*services_.registry, HKEY_LOCAL_MACHINE, kPrinterKeyPath, kDevModeValueName,
                                     devMode);

    CommonDialog1.CancelError = true;
    // From here on any failure ends the command silently: Cancel in the
    // dialog, no printer, a job that fails.
    try {
        CommonDialog1.Flags = cdlPDReturnDC | cdlPDNoPageNums;
        if (RichTextBox1->SelLength() != 0)
            CommonDialog1.Flags = CommonDialog1.Flags + cdlPDSelection;
        CommonDialog1.ShowPrinter();
        PrintProgress progress(this);
        RichTextBox1->SelPrint(CommonDialog1.hDC.get(),
                               [&progress](int done, int total) { progress.pageDone(done, total); });
    } catch (const std::exception &) {
    }
}

}  // namespace pennaro
