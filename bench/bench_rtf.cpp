// Load, save and the floor (building the same runs straight through
// QTextCursor) on 1 MB and 10 MB Chinese business documents. Compare
// medians: load should stay within twice the floor, save no slower than
// load. Tables have their own pair: a file that is one long table of six
// columns, loaded, and the same table built at its final size directly.
#include "benchdoc.h"

#include "platform/rtf/rtf.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

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

// Times reading the file into a fresh document, the document's teardown
// left out.
void timeLoads(benchmark::State &state, const QByteArray &rtf)
{
    for (auto _ : state) {
        auto doc = std::make_unique<QTextDocument>();
        bench::setEditorFont(doc.get());
        const rtf::ReadResult r = rtf::readDocument(rtf, doc.get());
        if (!r.ok || r.damaged)
            state.SkipWithError("the generated document did not load cleanly");
        benchmark::DoNotOptimize(doc->characterCount());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

// Times building a fresh document with the given function, the same way.
template <class Build>
void timeBuilds(benchmark::State &state, const Build &build)
{
    for (auto _ : state) {
        auto doc = std::make_unique<QTextDocument>();
        bench::setEditorFont(doc.get());
        build(doc.get());
        benchmark::DoNotOptimize(doc->characterCount());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}

void BM_Load(benchmark::State &state)
{
    timeLoads(state, document(int(state.range(0))).rtf);
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
    timeBuilds(state, [&](QTextDocument *doc) { bench::buildDirectly(source, doc); });
    state.SetBytesProcessed(state.iterations() * source.rtf.size());
}

// Six cells of GBK text per row, rows until the file has the given size.
QByteArray longTable(int megabytes, int *rows)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\n";
    *rows = 0;
    while (rtf.size() < (qsizetype(megabytes) << 20)) {
        rtf += "\\trowd\\cellx1400\\cellx2800\\cellx4200\\cellx5600\\cellx7000\\cellx8400\\pard\\intbl ";
        for (int c = 0; c < 6; ++c)
            rtf += "\\'c4\\'ea\\'b6\\'c8 " + QByteArray::number(*rows * 6 + c) + "\\cell ";
        rtf += "\\row\n";
        ++*rows;
    }
    return rtf + "}";
}

void BM_LoadTable(benchmark::State &state)
{
    int rows = 0;
    timeLoads(state, longTable(int(state.range(0)), &rows));
    state.counters["rows"] = rows;
}

void BM_FloorTable(benchmark::State &state)
{
    int rows = 0;
    longTable(int(state.range(0)), &rows);
    const QString year = QString::fromUtf8("年度 ");
    timeBuilds(state, [&](QTextDocument *doc) {
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        QTextTable *table = cursor.insertTable(rows, 6);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < 6; ++c)
                table->cellAt(r, c).firstCursorPosition().insertText(year + QString::number(r * 6 + c));
        cursor.endEditBlock();
    });
}

}  // namespace

BENCHMARK(BM_Load)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Floor)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadTable)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FloorTable)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
