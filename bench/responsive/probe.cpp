// One document opened in a real window and used as a person would, each
// step timed from the event that starts it to the window painted after it.
// A child process of bench_responsive, so that its peak memory is the
// document's own; run it on a real display (Xvfb).
//   responsive_probe pennaro|qtextedit FILE [jump]
// pennaro: the editor's main window, the file opened through the Open
// command; qtextedit: a plain QTextEdit of the same size given the same
// document (read by the same engine), as Qt alone handles it.
// Prints one "name value" line per measure as soon as it is known; times in
// milliseconds, -1 when the step did not finish within its deadline.
// Without "jump" the steps are: open, first paint, idle (the process using
// under 5 % of a core for a whole second), the caret's cost while it blinks,
// Select All (the Edit menu's; Ctrl+A in QTextEdit), Shift+Ctrl+End, typing at the start, middle and end,
// and a resize with the view at the end. With "jump": open, first paint,
// then at once Ctrl+End and a resize, before the layout has reached the end.
#include "platform/rtf/docformat.h"
#include "platform/rtf/rtf.h"
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "support/scripted_platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace pennaro;

namespace {

constexpr double kFirstPaintDeadline = 60000;
constexpr double kIdleDeadline = 60000;
constexpr double kStepDeadline = 30000;
constexpr int kKeysPerPosition = 9;

QElapsedTimer g_clock;

double now() { return double(g_clock.nsecsElapsed()) / 1e6; }

double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

long statusKb(const char *field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void report(const char *name, double value) {
    std::printf("%s %.1f\n", name, value);
    std::fflush(stdout);
}

// Runs the event loop for a while.
void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// The editor under test: its window, its editing widget and how to open.
struct Subject {
    QWidget *window = nullptr;
    QTextEdit *edit = nullptr;
    std::function<void()> open;
    std::function<void()> selectAll;
};

struct PennaroSubject {
    testing::ScriptedPlatform platform;
    Form1 form{platform.services()};
    Subject subject;

    explicit PennaroSubject(const QString &file) {
        subject.window = &form;
        subject.edit = form.RichTextBox1->widget();
        subject.open = [this, file] {
            platform.dialogs.answerOpen(file);
            form.mnuOpenItem_Click();
        };
        // The Edit menu's item; it has no shortcut.
        subject.selectAll = [this] { form.mnuSelectAll->trigger(); };
    }
};

struct PlainSubject {
    QMainWindow window;
    QTextEdit *edit = new QTextEdit;
    Subject subject;

    explicit PlainSubject(const QString &file) {
        window.setCentralWidget(edit);
        edit->setFont(rtf::editorFont());
        subject.window = &window;
        subject.edit = edit;
        subject.open = [this, file] {
            QFile in(file);
            in.open(QIODevice::ReadOnly);
            auto *doc = new QTextDocument(edit);
            doc->setDefaultFont(rtf::editorFont());
            rtf::readDocument(in.readAll(), doc);
            edit->setDocument(doc);
        };
        subject.selectAll = [this] { QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier); };
    }
};

class Probe {
public:
    explicit Probe(const Subject &subject) : s_(subject), viewport_(subject.edit->viewport()), paints_(viewport_) {}

    bool show() {
        s_.window->resize(800, 600);
        s_.window->show();
        QApplication::setActiveWindow(s_.window);
        if (!QTest::qWaitForWindowActive(s_.window))
            return false;
        s_.edit->setFocus();
        return QTest::qWaitFor([this] { return QApplication::focusWidget() == s_.edit; });
    }

    // Open, first paint, idle; the times count from the end of the read.
    void open() {
        const int paintsBefore = paints_.count;
        const double start = now();
        s_.open();
        opened_ = now();
        report("read_ms", opened_ - start);
        report("first_paint_ms", waitForPaint(paintsBefore, opened_ + kFirstPaintDeadline) - opened_);
    }

    void idle() {
        const double idleAt = waitIdle(opened_ + kIdleDeadline);
        report("idle_ms", idleAt < 0 ? -1 : idleAt - opened_);
        // Two seconds of the caret blinking: the share of a core it costs.
        const double cpu = cpuMs();
        const double wall = now();
        spin(2000);
        report("blink_cpu_percent", 100 * (cpuMs() - cpu) / (now() - wall));
    }

    void useIt() {
        caretTo(0);
        report("select_all_ms", timeAction(s_.selectAll));
        caretTo(0);
        report("shift_ctrl_end_ms", timeKey(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier));
        const int length = s_.edit->document()->characterCount() - 1;
        report("key_start_ms", typeAt(0));
        report("key_middle_ms", typeAt(length / 2));
        report("key_end_ms", typeAt(s_.edit->document()->characterCount() - 1));
        report("resize_end_ms", timeResize());
    }

    void jump() {
        report("ctrl_end_ms", timeKey(Qt::Key_End, Qt::ControlModifier));
        report("resize_end_ms", timeResize());
    }

private:
    // When the viewport's next paint after `paintsBefore` was done.
    double waitForPaint(int paintsBefore, double deadline) {
        while (paints_.count == paintsBefore) {
            if (now() > deadline)
                return -1;
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
        }
        return now();
    }

    // The start of the first whole second in which the process used less
    // than 5 % of a core, or -1 when none began before the deadline.
    double waitIdle(double deadline) {
        struct Sample {
            double wall, cpu;
        };
        std::vector<Sample> samples{{now(), cpuMs()}};
        while (now() < deadline) {
            spin(100);
            samples.push_back({now(), cpuMs()});
            for (const Sample &from : samples) {
                if (samples.back().wall - from.wall < 1000)
                    break;
                if (samples.back().wall - from.wall < 1200 && samples.back().cpu - from.cpu < 50)
                    return from.wall;
            }
        }
        return -1;
    }

    double timeAction(const std::function<void()> &action) {
        const int paintsBefore = paints_.count;
        const double start = now();
        action();
        const double done = waitForPaint(paintsBefore, start + kStepDeadline);
        return done < 0 ? -1 : done - start;
    }

    double timeKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        return timeAction([&] { QTest::keyClick(s_.edit, key, modifiers); });
    }

    // The caret placed, shown and the layout settled, untimed.
    void caretTo(int position) {
        QTextCursor cursor(s_.edit->document());
        cursor.setPosition(position);
        s_.edit->setTextCursor(cursor);
        s_.edit->ensureCursorVisible();
        waitIdle(now() + kStepDeadline);
    }

    // The median time from a typed letter to its paint, at the position.
    double typeAt(int position) {
        caretTo(position);
        std::vector<double> times;
        for (int i = 0; i < kKeysPerPosition; ++i) {
            const double t = timeAction([this] { QTest::keyClick(s_.edit, 'x'); });
            times.push_back(t < 0 ? kStepDeadline : t);
            if (t < 0 || t > 2000)
                break;  // one very slow key says enough
            spin(60);   // keys as a fast typist presses them
        }
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    }

    double timeResize() {
        QTextCursor cursor = s_.edit->textCursor();
        cursor.movePosition(QTextCursor::End);
        s_.edit->setTextCursor(cursor);
        s_.edit->ensureCursorVisible();
        const int width = viewport_->width();
        const double t = timeAction([this] { s_.window->resize(s_.window->width() - 60, s_.window->height()); });
        if (viewport_->width() == width)
            return -1;  // the window manager refused
        return t;
    }

    Subject s_;
    QWidget *viewport_;
    PaintCounter paints_;
    double opened_ = 0;
};

}  // namespace

int main(int argc, char **argv) {
    g_clock.start();
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: responsive_probe pennaro|qtextedit FILE [jump]\n");
        return 2;
    }
    const QString editor = QString::fromLocal8Bit(argv[1]);
    const QString file = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const bool jump = argc > 3 && qstrcmp(argv[3], "jump") == 0;

    std::unique_ptr<PennaroSubject> pennaro;
    std::unique_ptr<PlainSubject> plain;
    Subject subject;
    if (editor == QLatin1String("pennaro")) {
        pennaro = std::make_unique<PennaroSubject>(file);
        subject = pennaro->subject;
    } else {
        plain = std::make_unique<PlainSubject>(file);
        subject = plain->subject;
    }
    Probe probe(subject);
    if (!probe.show()) {
        std::fprintf(stderr, "responsive_probe: the window did not become active\n");
        return 1;
    }
    spin(300);
    report("baseline_rss_mb", statusKb("VmRSS:") / 1024.0);
    probe.open();
    if (jump) {
        probe.jump();
    } else {
        probe.idle();
        probe.useIt();
    }
    report("peak_rss_mb", statusKb("VmHWM:") / 1024.0);
    std::fflush(stdout);
    // Tearing a huge document down is no part of the measure.
    std::_Exit(0);
}
