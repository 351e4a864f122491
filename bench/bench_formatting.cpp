// Formatting on a large document, through the window's own handlers, each
// against the floor it is held to, measured in the same run:
// - selection tracking on Select All against one plain walk over the
//   document's fragments, and a caret move (a key press in the editing
//   area, selection tracking included);
// - Bold, a size step and a colour on Select All against one
//   QTextCursor::mergeCharFormat over the same range, and their Undo
//   against the Undo of that merge.
// The document is the generated business report of bench_rtf (about 29,000
// format runs per MB), once as generated, where fonts and sizes mix, and once
// in one font and size, where nothing ends the walk early.
// Run with QT_QPA_PLATFORM=offscreen.
#include "window_session.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

using namespace pennaro;

namespace {

constexpr qsizetype kBytes = 10 << 20;

// A shown main window holding the document, loaded as Open loads it.
struct Session : bench::WindowSession {
    explicit Session(bool oneFontAndSize) : WindowSession(kBytes) {
        box().LoadFile(file, 0);
        if (oneFontAndSize) {
            selectAll();
            box().setSelFontName(QStringLiteral("宋体"));
            box().setSelFontSize(10.5f);
            document()->clearUndoRedoStacks();
        }
        box().setSelStart(0);
        QCoreApplication::processEvents();
    }

    QTextDocument *document() { return box().document(); }
    int end() { return document()->characterCount() - 1; }
    void selectAll() {
        box().setSelStart(0);
        box().setSelLength(end());
    }
    QTextCursor wholeDocument() {
        QTextCursor cursor(document());
        cursor.setPosition(end(), QTextCursor::KeepAnchor);
        return cursor;
    }
};

Session &session(bool oneFontAndSize) { return bench::keptSession<Session>(oneFontAndSize); }

int fragmentCount(QTextDocument *doc) {
    int runs = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
            runs += it.fragment().isValid();
    }
    return runs;
}

// ---- selection tracking ---------------------------------------------------

void BM_FragmentWalk(benchmark::State &state) {
    Session &s = session(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(fragmentCount(s.document()));
    state.counters["fragments"] = fragmentCount(s.document());
    state.counters["rtfRuns"] = s.rtfRuns;
}

void BM_SelChangeSelectAll(benchmark::State &state) {
    Session &s = session(state.range(0));
    s.selectAll();
    for (auto _ : state)
        s.form.RichTextBox1_SelChange();
    s.box().setSelStart(0);
}

// Right and Left in turn near the top of the document: QTextEdit's own
// handling, the selection notification and the panels.
void BM_CaretMove(benchmark::State &state) {
    Session &s = session(state.range(0));
    s.box().setSelStart(100);
    QWidget *editor = s.box().widget();
    bool right = true;
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, right ? Qt::Key_Right : Qt::Key_Left, Qt::NoModifier);
        QApplication::sendEvent(editor, &press);
        right = !right;
    }
    s.box().setSelStart(0);
}

// ---- formatting Select All, and its Undo ----------------------------------

enum Command { Bold, SizeUp, Colour, MergeFloor };

void run(Session &s, Command command) {
    switch (command) {
    case Bold: s.form.mnuBoldItem_Click(); break;
    case SizeUp: s.form.Toolbar1_ButtonClick({QStringLiteral("Up")}); break;
    case Colour:
        s.platform.dialogs.answerColor(0x0000C0);
        s.form.Toolbar1_ButtonClick({QStringLiteral("Color")});
        break;
    case MergeFloor: {
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        s.wholeDocument().mergeCharFormat(bold);
        break;
    }
    }
}

// Either the command or its Undo is timed (the second argument); the other
// is run untimed, so that every round starts from the same document.
void BM_Format(benchmark::State &state) {
    Session &s = session(true);
    const auto command = Command(state.range(0));
    const bool timeUndo = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.selectAll();
        if (!timeUndo)
            state.ResumeTiming();
        run(s, command);
        if (timeUndo)
            state.ResumeTiming();
        else
            state.PauseTiming();
        s.box().Undo();
        if (!timeUndo)
            state.ResumeTiming();
        s.platform.dialogs.takeShown();
    }
    s.box().setSelStart(0);
}

}  // namespace

// Argument 1: the document in one font and size; 0: as generated.
BENCHMARK(BM_FragmentWalk)->ArgName("oneFont")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelChangeSelectAll)->ArgName("oneFont")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaretMove)->ArgName("oneFont")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Format)
    ->ArgsProduct({{Bold, SizeUp, Colour, MergeFloor}, {0, 1}})
    ->ArgNames({"command", "undo"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
