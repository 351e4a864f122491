// Opening and saving a large document as the user does it: from the open
// dialog's OK to the document painted in the window, and the menu's Save.
// Run with QT_QPA_PLATFORM=offscreen.
#include "window_session.h"

#include <benchmark/benchmark.h>

#include <QApplication>

using namespace pennaro;

namespace {

using Session = bench::WindowSession;

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
