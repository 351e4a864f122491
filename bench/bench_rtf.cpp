// Load, save and the floor (building the same runs straight through
// QTextCursor) on 1 MB and 10 MB Chinese business documents. Compare
// medians: load should stay within twice the floor, save no slower than
// load.
#include "benchdoc.h"

#include "platform/rtf/rtf.h"

#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace pennaro;

namespace {

const bench::BusinessDocument &document(int megabytes)
{
    static std::map<int, bench::BusinessDocument> cache;
    auto it = cache.find(megabytes);
    if (it == cache.end())
        it = cache.emplace(megabytes, bench::makeBusinessDocument(qsizetype(megabytes) << 20)).first;
    return it->second;
}

void BM_Load(benchmark::State &state)
{
    const bench::BusinessDocument &source = document(int(state.range(0)));
    for (auto _ : state) {
        auto doc = std::make_unique<QTextDocument>();
        bench::setEditorFont(doc.get());
        const rtf::ReadResult r = rtf::readDocument(source.rtf, doc.get());
        if (!r.ok || r.damaged)
            state.SkipWithError("the generated document did not load cleanly");
        benchmark::DoNotOptimize(doc->characterCount());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * source.rtf.size());
}

void BM_Save(benchmark::State &state)
{
    const bench::BusinessDocument &source = document(int(state.range(0)));
    QTextDocument doc;
    bench::setEditorFont(&doc);
    rtf::readDocument(source.rtf, &doc);
    qsizetype written = 0;
    for (auto _ : state) {
        const QByteArray out = rtf::writeDocument(&doc);
        written = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(state.iterations() * source.rtf.size());
    state.counters["output_MB"] = double(written) / (1 << 20);
}

void BM_Floor(benchmark::State &state)
{
    const bench::BusinessDocument &source = document(int(state.range(0)));
    for (auto _ : state) {
        auto doc = std::make_unique<QTextDocument>();
        bench::setEditorFont(doc.get());
        bench::buildDirectly(source, doc.get());
        benchmark::DoNotOptimize(doc->characterCount());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * source.rtf.size());
}

}  // namespace

BENCHMARK(BM_Load)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Floor)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
