// The one place where Qt calls into a handler. Nothing thrown crosses it: a
// failure must never end the program, and EndProgram (the program is ending)
// simply stops the handler that was running.
#pragma once

#include <functional>

namespace pennaro {

// Returns false when the handler ended the program (EndProgram).
bool guarded(const std::function<void()> &handler);

}  // namespace pennaro
