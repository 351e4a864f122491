// The editor's own start-up path, ending the event loop as soon as the main
// window has been painted once: what a user waits for before the window is
// there. Takes the same arguments as the editor.
#include "shell/application.h"
#include "shell/form1.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace {

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Let this paint finish and reach the screen first.
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    bool seen_ = false;
};

}  // namespace

int main(int argc, char **argv) {
    FirstPaint firstPaint;
    return pennaro::runEditor(argc, argv, [&](pennaro::Form1 &window) { window.installEventFilter(&firstPaint); });
}
