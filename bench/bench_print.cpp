// Printing a 1 MB generated Chinese document to PDF through the Print
// command (registry write, dialog answered with a PDF printer, SelPrint page
// by page), against QTextDocument::print of the same document to the same
// file in the same run. Compare the medians: the command should stay within
// 1.5 times Qt's own print. The "pages" counter is each job's page count.
// Run with QT_QPA_PLATFORM=offscreen.
#include "window_session.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPrinter>
#include <QTextDocument>

using namespace pennaro;

namespace {

// A PDF printer as the print dialog hands it over, counting its pages.
class CountingPrinter : public QPrinter {
public:
    explicit CountingPrinter(const QString &pdf) : QPrinter(QPrinter::HighResolution) {
        setOutputFormat(QPrinter::PdfFormat);
        setOutputFileName(pdf);
        setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    }
    bool newPage() override {
        ++pages;
        return QPrinter::newPage();
    }
    int pages = 1;
};

struct Session : bench::WindowSession {
    QString pdf;

    explicit Session(qsizetype bytes) : WindowSession(bytes) {
        pdf = dir.filePath(QStringLiteral("printed.pdf"));
        platform.registry.keys.insert(QStringLiteral(
            "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\EPSON Stylus COLOR 440"));
        open();
        platform.dialogs.takeShown();
    }
};

Session &session() { return bench::keptSession<Session>(qsizetype(1) << 20); }

void BM_PrintCommand(benchmark::State &state) {
    Session &s = session();
    int pages = 0;
    for (auto _ : state) {
        auto printer = std::make_shared<CountingPrinter>(s.pdf);
        s.platform.dialogs.answerPrinter(printer);
        s.form.mnuPrintItem_Click();
        pages = printer->pages;
        state.PauseTiming();
        s.platform.dialogs.takeShown();
        state.ResumeTiming();
    }
    state.counters["pages"] = pages;
}

void BM_QTextDocumentPrint(benchmark::State &state) {
    Session &s = session();
    int pages = 0;
    for (auto _ : state) {
        CountingPrinter printer(s.pdf);
        s.form.RichTextBox1->document()->print(&printer);
        pages = printer.pages;
    }
    state.counters["pages"] = pages;
}

}  // namespace

BENCHMARK(BM_PrintCommand)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_QTextDocumentPrint)->Unit(benchmark::kMillisecond)->Iterations(3);
