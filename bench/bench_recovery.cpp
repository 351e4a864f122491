// The recovery copy of a large modified document, and what it costs the
// user who is typing: the part of a copy that runs on the window's thread
// (the RTF serialised and handed over), the part on the writer's thread (the
// bytes on disk), and one keystroke, alone and while a copy is being
// written. A keystroke must stay well within a frame (16 ms); the window's
// part of a copy is paid once, a few seconds after the user stops typing.
// Run with QT_QPA_PLATFORM=offscreen.
#include "document/recovery.h"
#include "support/form_fixture.h"
#include "window_session.h"

#include <benchmark/benchmark.h>

#include <QApplication>

using namespace pennaro;

namespace {

struct ModifiedDocument : bench::WindowSession {
    DocumentRecovery &recovery = form.Recovery();

    explicit ModifiedDocument(qsizetype bytes) : WindowSession(bytes) {
        open();
        type(QStringLiteral("改"));
        QCoreApplication::processEvents();
    }
    void type(const QString &text) { testing::typeInto(box().widget(), text); }
};

void BM_CopyOnWindowThread(benchmark::State &state) {
    ModifiedDocument doc(state.range(0));
    for (auto _ : state) {
        doc.recovery.writeCopy();
        state.PauseTiming();
        doc.recovery.waitForWriter();
        doc.recovery.documentChanged();  // so that the next copy is due
        state.ResumeTiming();
    }
}

void BM_CopyOnWriterThread(benchmark::State &state) {
    ModifiedDocument doc(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        doc.recovery.documentChanged();
        doc.recovery.writeCopy();
        state.ResumeTiming();
        doc.recovery.waitForWriter();
    }
}

void BM_Keystroke(benchmark::State &state) {
    ModifiedDocument doc(state.range(0));
    for (auto _ : state)
        doc.type(QStringLiteral("字"));
}

void BM_KeystrokeWhileCopyIsWritten(benchmark::State &state) {
    ModifiedDocument doc(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        doc.recovery.waitForWriter();
        doc.recovery.writeCopy();  // the writer is now busy with 10 MB
        state.ResumeTiming();
        doc.type(QStringLiteral("字"));
    }
    doc.recovery.waitForWriter();
}

}  // namespace

BENCHMARK(BM_CopyOnWindowThread)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CopyOnWriterThread)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Keystroke)->Arg(10 << 20)->Unit(benchmark::kMicrosecond)->Iterations(50);
BENCHMARK(BM_KeystrokeWhileCopyIsWritten)->Arg(10 << 20)->Unit(benchmark::kMicrosecond)->Iterations(10);
