// The pointer turns busy while one of these lives, over every window of the
// program: for work that keeps the window from answering for longer than a
// moment (opening or saving a large file, colouring thousands of matches,
// printing). Qt hands the pointer to the window system at once, so it shows
// even though no events are handled until the work is done. Nested ones are
// fine; the pointer comes back when the last one ends. No dialog may be
// shown while one lives: the busy pointer would sit over it.
#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace pennaro {

class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

}  // namespace pennaro
