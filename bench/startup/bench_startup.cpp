// Process start to the main window shown, for an empty start and for a
// Chinese document named on the command line. Each iteration runs the probe
// (the editor's start-up, quitting after its first paint) headless, with a
// settings folder of its own so that no stored placement interferes.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdlib>

namespace {

void runProbe(benchmark::State &state, const QStringList &arguments) {
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
    for (auto _ : state) {
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe.start(QStringLiteral(PENNARO_STARTUP_PROBE), arguments);
        if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
            state.SkipWithError("the probe did not start and quit cleanly");
            break;
        }
    }
}

void BM_StartupEmpty(benchmark::State &state) { runProbe(state, {}); }

void BM_StartupWithChineseFile(benchmark::State &state) {
    runProbe(state, {QStringLiteral(PENNARO_SOURCE_DIR "/tests/shell/fixtures/chinese.rtf")});
}

}  // namespace

BENCHMARK(BM_StartupEmpty)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_StartupWithChineseFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
