// Load, save and the floor (building the same runs straight through
// QTextCursor) on 1 MB and 10 MB Chinese business documents. Compare
// medians: load should stay within twice the floor, save no slower than
// load. Tables have their own pair: a file that is one long table of six
// columns, loaded, and the same table built at its final size directly.
// So do Word's mixed-script runs, whose Chinese and Western characters
// take different fonts: a run splits wherever the script changes. A report
// dense with kept content (bookmarks, notes, fields, comments) is loaded
// and saved too.
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

const bench::BusinessDocument &document(int megabytes) {
    static std::map<int, bench::BusinessDocument> cache;
    auto it = cache.find(megabytes);
    if (it == cache.end())
        it = cache.emplace(megabytes, bench::makeBusinessDocument(qsizetype(megabytes) << 20)).first;
    return it->second;
}

// Times reading the file into a fresh document, the document's teardown
// left out.
void timeLoads(benchmark::State &state, const QByteArray &rtf) {
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
void timeBuilds(benchmark::State &state, const Build &build) {
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

void BM_Load(benchmark::State &state) { timeLoads(state, document(int(state.range(0))).rtf); }

void BM_Save(benchmark::State &state) {
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

void BM_Floor(benchmark::State &state) {
    const bench::BusinessDocument &source = document(int(state.range(0)));
    timeBuilds(state, [&](QTextDocument *doc) { bench::buildDirectly(source, doc); });
    state.SetBytesProcessed(state.iterations() * source.rtf.size());
}

// Six cells of GBK text per row, rows until the file has the given size.
QByteArray longTable(int megabytes, int *rows) {
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

void BM_LoadTable(benchmark::State &state) {
    int rows = 0;
    timeLoads(state, longTable(int(state.range(0)), &rows));
    state.counters["rows"] = rows;
}

void BM_FloorTable(benchmark::State &state) {
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

// Word-style paragraphs: runs with a Western and an East Asian font, the
// script changing every few characters. The runs as the reader must build
// them come along, for the floor.
struct MixedScripts {
    QByteArray rtf;
    std::vector<std::pair<QString, bool>> pieces;  // text, East Asian
    std::vector<bool> paragraphStarts;             // per piece
};

const MixedScripts &mixedScripts(int megabytes) {
    static std::map<int, MixedScripts> cache;
    auto found = cache.find(megabytes);
    if (found != cache.end())
        return found->second;
    MixedScripts m;
    m.rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fcharset0 Calibri;}{\\f7 Mangal;}"
            "{\\f13\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\n";
    static const struct {
        const char *rtf;
        const char16_t *text;
        bool eastAsian;
    } kWords[] = {
        {"Quarterly ", u"Quarterly ", false},  {"report ", u"report ", false}, {"\\'cf\\'fa\\'ca\\'db", u"销售", true},
        {"\\u22686?\\u38271?", u"增长", true}, {"12.5% ", u"12.5% ", false},   {"\\'a3\\'ac", u"，", true}};
    unsigned seed = 7;
    bool lastEastAsian = false;
    while (m.rtf.size() < (qsizetype(megabytes) << 20)) {
        m.rtf += "\\pard\\plain\\fi420 ";
        bool paragraphStart = true;
        for (int run = 0; run < 8; ++run) {
            m.rtf += "{\\rtlch\\fcs1 \\af7 \\ltrch\\fcs0 \\f0\\fs21\\hich\\af0\\dbch\\af13\\loch\\f0 ";
            for (int w = 0; w < 10; ++w) {
                seed = seed * 1103515245u + 12345u;
                const auto &word = kWords[(seed >> 16) % std::size(kWords)];
                m.rtf += word.rtf;
                const QString text = QString::fromUtf16(word.text);
                if (!m.pieces.empty() && !paragraphStart && lastEastAsian == word.eastAsian) {
                    m.pieces.back().first += text;
                } else {
                    m.pieces.emplace_back(text, word.eastAsian);
                    m.paragraphStarts.push_back(paragraphStart);
                }
                paragraphStart = false;
                lastEastAsian = word.eastAsian;
            }
            m.rtf += "}";
        }
        m.rtf += "\\par\n";
    }
    m.rtf += "}";
    return cache.emplace(megabytes, std::move(m)).first->second;
}

void BM_LoadMixedScripts(benchmark::State &state) { timeLoads(state, mixedScripts(int(state.range(0))).rtf); }

void BM_FloorMixedScripts(benchmark::State &state) {
    const MixedScripts &m = mixedScripts(int(state.range(0)));
    QTextCharFormat latin, eastAsian;
    latin.setFontFamilies({QStringLiteral("Calibri")});
    latin.setFontPointSize(10.5);
    eastAsian.setFontFamilies({QStringLiteral("宋体")});
    eastAsian.setFontPointSize(10.5);
    timeBuilds(state, [&](QTextDocument *doc) {
        doc->setUndoRedoEnabled(false);
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        for (size_t i = 0; i < m.pieces.size(); ++i) {
            if (m.paragraphStarts[i] && i > 0)
                cursor.insertBlock();
            cursor.insertText(m.pieces[i].first, m.pieces[i].second ? eastAsian : latin);
        }
        cursor.endEditBlock();
    });
    state.SetBytesProcessed(state.iterations() * m.rtf.size());
}

// A Word-style report where every paragraph keeps something: a bookmark
// around each heading, a footnote, a PAGE field and a comment in each body
// paragraph, a header and a stylesheet. Loaded, and saved again.
const QByteArray &keptDocument(int megabytes) {
    static std::map<int, QByteArray> cache;
    auto found = cache.find(megabytes);
    if (found != cache.end())
        return found->second;
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
        "{\\f1\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}{\\colortbl;\\red31\\green56\\blue100;}"
        "{\\stylesheet{\\f0\\fs24 Normal;}{\\s1\\sb240\\b\\fs32\\cf1 heading 1;}{\\*\\cs15\\super footnote reference;}}"
        "{\\info{\\title Report}{\\author Pennaro}}\\paperw16838\\paperh11906\\landscape"
        "\\sectd{\\header\\pard\\plain\\f1 \\'d2\\'b3\\'c3\\'bc\\par}\n";
    for (int n = 0; rtf.size() < (qsizetype(megabytes) << 20); ++n) {
        const QByteArray i = QByteArray::number(n);
        rtf += "\\pard\\plain\\s1\\fs32\\b {\\*\\bkmkstart h" + i + "}Section " + i + "{\\*\\bkmkend h" + i +
               "}\\par\n\\pard\\plain\\f1\\fs21 \\'cf\\'fa\\'ca\\'db\\'b6\\'ee\\'d4\\'f6\\'b3\\'a4"
               "{\\cs15\\super\\chftn}{\\footnote\\pard\\plain{\\cs15\\super\\chftn} Note " +
               i + ".} on page {\\field{\\*\\fldinst PAGE}{\\fldrslt " + i +
               "}}, see the figures"
               "{\\*\\atnauthor Reviewer}\\chatn{\\*\\annotation\\pard\\plain Check " +
               i + ".} of the quarter, which rose again.\\par\n";
    }
    rtf += "}";
    return cache.emplace(megabytes, std::move(rtf)).first->second;
}

void BM_LoadKept(benchmark::State &state) { timeLoads(state, keptDocument(int(state.range(0)))); }

void BM_SaveKept(benchmark::State &state) {
    const QByteArray &source = keptDocument(int(state.range(0)));
    QTextDocument doc;
    bench::setEditorFont(&doc);
    rtf::readDocument(source, &doc);
    qsizetype written = 0;
    for (auto _ : state) {
        const QByteArray out = rtf::writeDocument(&doc);
        written = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(state.iterations() * source.size());
    state.counters["output_MB"] = double(written) / (1 << 20);
}

}  // namespace

BENCHMARK(BM_Load)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Floor)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadTable)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FloorTable)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadMixedScripts)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FloorMixedScripts)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadKept)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveKept)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
