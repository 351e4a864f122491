// How the window copes with the documents that once froze it (documents.h):
// for each, the editor and a plain QTextEdit given the same document, each
// in a fresh process (responsive_probe) on a real display, reporting as
// counters (milliseconds unless named otherwise; -1: not done in time):
//   read_ms            the Open command (QTextEdit: the engine's read)
//   first_paint_ms     from the end of the read to the window's first paint
//   idle_ms            from the end of the read until the process stays
//                      under 5 % of a core for a second
//   blink_cpu_percent  the share of a core used while the caret blinks
//   select_all_ms, shift_ctrl_end_ms, key_start_ms, key_middle_ms,
//   key_end_ms, resize_end_ms
//                      from the key or the resize to the repaint after it
//                      (keys: the median of up to nine letters typed)
//   ctrl_end_ms        (the _jump runs) Ctrl+End at once after the first paint
//   baseline_rss_mb, peak_rss_mb, peak_over_file
//                      resident memory before opening, its peak, and the
//                      growth over the file's size
// Run it on a private X server with a window manager:
//   bench/responsive/run_under_xvfb.sh BUILD_DIR [benchmark options]
// Each probe gets RESPONSIVE_PROBE_TIMEOUT seconds (default 180);
// RESPONSIVE_PROBE names another probe program (that of an older build, to
// compare); RESPONSIVE_DOCS_DIR keeps the documents in that folder. At the end
// the same figures are printed again as one Markdown table.
#include "documents.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using pennaro::bench::HardDocument;

const char *const kMeasures[] = {
    "read_ms",           "first_paint_ms",  "idle_ms",       "blink_cpu_percent", "select_all_ms",
    "shift_ctrl_end_ms", "key_start_ms",    "key_middle_ms", "key_end_ms",        "ctrl_end_ms",
    "resize_end_ms",     "baseline_rss_mb", "peak_rss_mb",
};

QTemporaryDir &workDir() {
    static QTemporaryDir dir;
    return dir;
}

// Where the documents are written: RESPONSIVE_DOCS_DIR keeps them, for
// looking into one case with a profiler.
QString documentPath(const QString &name) {
    const QString kept = qEnvironmentVariable("RESPONSIVE_DOCS_DIR");
    return (kept.isEmpty() ? workDir().path() : kept) + QLatin1Char('/') + name + QStringLiteral(".rtf");
}

int probeTimeoutMs() {
    const int seconds = qEnvironmentVariableIntValue("RESPONSIVE_PROBE_TIMEOUT");
    return (seconds > 0 ? seconds : 180) * 1000;
}

QMap<QString, double> runProbe(const QString &editor, const QString &file, bool jump) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               env.contains(QStringLiteral("DISPLAY")) ? QStringLiteral("xcb") : QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), workDir().path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), workDir().filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), workDir().filePath(QStringLiteral("state")));
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{editor, file};
    if (jump)
        arguments << QStringLiteral("jump");
    const QString program = qEnvironmentVariable("RESPONSIVE_PROBE", QStringLiteral(RESPONSIVE_PROBE));
    probe.start(program, arguments);
    if (!probe.waitForFinished(probeTimeoutMs())) {
        probe.kill();
        probe.waitForFinished();
    }
    QMap<QString, double> measures;
    for (const QByteArray &line : probe.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2)
            measures.insert(QString::fromLatin1(parts[0]), parts[1].toDouble());
    }
    return measures;
}

// Every run's counters, for the table at the end.
std::vector<std::pair<std::string, benchmark::UserCounters>> &results() {
    static std::vector<std::pair<std::string, benchmark::UserCounters>> all;
    return all;
}

void printTable() {
    if (results().empty())
        return;
    std::vector<std::string> columns;
    for (const auto &[run, counters] : results()) {
        for (const auto &[name, value] : counters) {
            if (std::find(columns.begin(), columns.end(), name) == columns.end())
                columns.push_back(name);
        }
    }
    std::printf("\n| run |");
    for (const std::string &column : columns)
        std::printf(" %s |", column.c_str());
    std::printf("\n|---|");
    for (std::size_t i = 0; i < columns.size(); ++i)
        std::printf("---:|");
    std::printf("\n");
    for (const auto &[run, counters] : results()) {
        std::printf("| %s |", run.c_str());
        for (const std::string &column : columns) {
            const auto found = counters.find(column);
            if (found == counters.end())
                std::printf("  |");
            else if (found->second.value < 0)
                std::printf(" timeout |");
            else
                std::printf(" %.*f |", found->second.value < 10 ? 1 : 0, double(found->second.value));
        }
        std::printf("\n");
    }
}

void measure(benchmark::State &state, const std::string &run, const std::shared_ptr<HardDocument> &document,
             const QString &editor, bool jump) {
    const QString file = documentPath(document->name);
    if (!QFile::exists(file)) {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(document->rtf) != document->rtf.size()) {
            state.SkipWithError("cannot write the document");
            return;
        }
    }
    QMap<QString, double> measures;
    for (auto _ : state)
        measures = runProbe(editor, file, jump);
    for (const char *name : kMeasures) {
        const QString key = QString::fromLatin1(name);
        const bool applies = jump ? (key != QLatin1String("idle_ms") && !key.startsWith(QLatin1String("key")) &&
                                     !key.startsWith(QLatin1String("select")) &&
                                     !key.startsWith(QLatin1String("shift")) && !key.startsWith(QLatin1String("blink")))
                                  : key != QLatin1String("ctrl_end_ms");
        if (applies)
            state.counters[name] = measures.value(key, -1);
    }
    const double fileMb = document->rtf.size() / (1024.0 * 1024.0);
    if (measures.contains(QStringLiteral("peak_rss_mb")))
        state.counters["peak_over_file"] =
            (measures.value(QStringLiteral("peak_rss_mb")) - measures.value(QStringLiteral("baseline_rss_mb"))) /
            fileMb;
    results().emplace_back(run, state.counters);
}

void registerAll() {
    for (const HardDocument &made : pennaro::bench::hardDocuments()) {
        auto document = std::make_shared<HardDocument>(made);
        const bool isBusiness = document->name.startsWith(QLatin1String("business"));
        for (const QString editor : {QStringLiteral("pennaro"), QStringLiteral("qtextedit")}) {
            for (const bool jump : {false, true}) {
                if (jump && !isBusiness)
                    continue;
                const QString name =
                    document->name + QLatin1Char('/') + editor + (jump ? QStringLiteral("_jump") : QString());
                const std::string run = name.toStdString();
                benchmark::RegisterBenchmark(run.c_str(),
                                             [run, document, editor, jump](benchmark::State &state) {
                                                 measure(state, run, document, editor, jump);
                                             })
                    ->Iterations(1)
                    ->Unit(benchmark::kSecond)
                    ->UseRealTime();
            }
        }
    }
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printTable();
    return 0;
}
