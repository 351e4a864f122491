// The Edit menu's heavy commands as the user runs them, through the window's
// own handlers on generated Chinese business documents:
// - Find All on 1 MB with 10,000 matches, against the floor of doing the same
//   work directly (one upper-cased copy of the text, one scan, the colour
//   merged into each match with QTextCursor, in one edit block);
// - Find on 10 MB, its match at the very end;
// - Select All, Del and Undo on 10 MB, each timed on its own.
// The document is laid out in full before each timed run, as it is a moment
// after opening (Qt lays a new document out in the background); Select All
// is timed straight after opening as well, when the layout still has to
// reach the end. Run with QT_QPA_PLATFORM=offscreen.
#include "platform/uppercase.h"
#include "window_session.h"

#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <map>
#include <memory>

using namespace pennaro;

namespace {

const QString kMarker = QStringLiteral("重点");
constexpr int kMarkers = 10000;

struct Session : bench::WindowSession {
    explicit Session(qsizetype bytes) : WindowSession(bytes) {
        platform.input.setFocus(box().widget());
        open();
        platform.dialogs.takeShown();
    }

    QTextDocument *doc() { return box().document(); }

    void layOutFully() {
        QAbstractTextDocumentLayout *layout = doc()->documentLayout();
        layout->blockBoundingRect(doc()->lastBlock());
        QCoreApplication::processEvents();
    }

    // The marker spread evenly over the text, each in the format around it;
    // loaded content, so nothing to undo.
    void spreadMarkers(int count) {
        const int length = doc()->characterCount() - 1;
        doc()->setUndoRedoEnabled(false);
        QTextCursor cursor(doc());
        cursor.beginEditBlock();
        for (int i = count; i >= 1; --i) {
            cursor.setPosition(int(qint64(length) * i / (count + 1)));
            cursor.insertText(kMarker);
        }
        cursor.endEditBlock();
        doc()->setUndoRedoEnabled(true);
        form.Modified = false;
    }

    void selectAll() { form.mnuSelectAll_Click(); }
    void del() { form.mnudel_Click(); }
    void undo() { form.mnuUndo_Click(); }
};

Session &sessionFor(qsizetype bytes) { return bench::keptSession<Session>(bytes); }

Session &findAllSession() {
    Session &session = sessionFor(1 << 20);
    static const bool marked = (session.spreadMarkers(kMarkers), true);
    Q_UNUSED(marked);
    return session;
}

// Puts the document back as it was before a timed colouring.
void undoColouring(Session &session) {
    session.undo();
    session.layOutFully();
}

void BM_FindAll(benchmark::State &state) {
    Session &session = findAllSession();
    session.layOutFully();
    for (auto _ : state) {
        session.platform.dialogs.answerInput(kMarker);
        session.form.mnufindall_Click();
        state.PauseTiming();
        session.platform.dialogs.takeShown();
        undoColouring(session);
        state.ResumeTiming();
    }
}

void BM_FindAllFloor(benchmark::State &state) {
    Session &session = findAllSession();
    session.layOutFully();
    QTextCharFormat blue;
    blue.setForeground(QColor(0, 0, 255));
    int matches = 0;
    for (auto _ : state) {
        const QString text = upperCasedInPlace(session.doc()->toPlainText());
        const QString needle = upperCasedInPlace(kMarker);
        QTextCursor cursor(session.doc());
        cursor.beginEditBlock();
        matches = 0;
        for (qsizetype at = text.indexOf(needle); at >= 0; at = text.indexOf(needle, at + needle.size())) {
            cursor.setPosition(int(at));
            cursor.setPosition(int(at + needle.size()), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(blue);
            ++matches;
        }
        cursor.endEditBlock();
        state.PauseTiming();
        undoColouring(session);
        state.ResumeTiming();
    }
    state.counters["matches"] = matches;
}

Session &tenMegabytes() { return sessionFor(10 << 20); }

void BM_FindAtTheEnd(benchmark::State &state) {
    Session &session = tenMegabytes();
    const QString marker = QStringLiteral("唯一的标记");
    QTextCursor end(session.doc());
    end.movePosition(QTextCursor::End);
    end.insertText(marker);
    session.layOutFully();
    for (auto _ : state) {
        state.PauseTiming();
        // A changed length: the search starts from a fresh copy of the text,
        // as the first Find after opening or typing does.
        end.insertText(QStringLiteral(" "));
        end.deletePreviousChar();
        session.box().setSelStart(0);
        session.platform.dialogs.answerInput(marker);
        state.ResumeTiming();
        session.form.mnuFindItem_Click();
    }
    if (session.box().SelText() != marker)
        state.SkipWithError("the marker was not selected");
    session.open();
}

void BM_SelectAllRightAfterOpen(benchmark::State &state) {
    Session &session = tenMegabytes();
    for (auto _ : state) {
        state.PauseTiming();
        session.open();
        state.ResumeTiming();
        session.selectAll();
    }
}

// Select All, Del and Undo in a row, with only the step named by the
// argument timed (0 Select All, 1 Del, 2 Undo).
void BM_SelectAllDelUndo(benchmark::State &state) {
    Session &session = tenMegabytes();
    const int timed = int(state.range(0));
    const QString before = session.box().Text();
    for (auto _ : state) {
        state.PauseTiming();
        session.box().setSelStart(0);
        session.layOutFully();
        for (int step = 0; step < 3; ++step) {
            if (step == timed)
                state.ResumeTiming();
            switch (step) {
            case 0: session.selectAll(); break;
            case 1: session.del(); break;
            case 2: session.undo(); break;
            }
            if (step == timed)
                state.PauseTiming();
        }
        state.ResumeTiming();
    }
    if (session.box().Text() != before)
        state.SkipWithError("Undo did not bring the document back");
}

}  // namespace

BENCHMARK(BM_FindAll)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->ReportAggregatesOnly();
BENCHMARK(BM_FindAllFloor)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->ReportAggregatesOnly();
BENCHMARK(BM_FindAtTheEnd)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SelectAllRightAfterOpen)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SelectAllDelUndo)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);
