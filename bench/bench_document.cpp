// Opening and saving a large document as the user does it: from the open
// dialog's OK to the document painted in the window, and the menu's Save.
// Run with QT_QPA_PLATFORM=offscreen.
#include "benchdoc.h"
#include "window_bench_main.h"
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "support/scripted_platform.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextEdit>

using namespace pennaro;

namespace {

struct Session {
    testing::ScriptedPlatform platform;
    QTemporaryDir dir;
    Form1 form{platform.services()};
    QString file;

    explicit Session(qsizetype bytes) {
        file = dir.filePath(QStringLiteral("business.rtf"));
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(bench::makeBusinessDocument(bytes).rtf);
        out.close();
        form.resize(800, 600);
        form.show();
        form.Form_Resize();
    }

    void open() {
        platform.dialogs.answerOpen(file);
        form.mnuOpenItem_Click();
        // Shown: the visible part laid out and painted.
        form.RichTextBox1->widget()->viewport()->repaint();
        QCoreApplication::processEvents();
    }
};

void BM_OpenFromDialog(benchmark::State &state) {
    Session session(state.range(0));
    for (auto _ : state) {
        session.open();
        state.PauseTiming();
        session.platform.dialogs.takeShown();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void BM_SaveFromMenu(benchmark::State &state) {
    Session session(state.range(0));
    session.open();
    for (auto _ : state)
        session.form.mnuSave_Click();
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

}  // namespace

BENCHMARK(BM_OpenFromDialog)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveFromMenu)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv) { return bench::runWindowBenchmarks(argc, argv); }
