// Termination signals (SIGTERM, SIGHUP, SIGINT) reach the event loop as a
// call of a handler instead of ending the process on the spot, so that the
// program can put the document's recovery copy on disk before it ends.
#pragma once

#include <functional>

class QObject;

namespace pennaro {

// From now on, each of the signals calls handler(signal) from the event loop
// of context's thread, for as long as context lives.
void handleTerminationSignals(QObject *context, std::function<void(int)> handler);

}  // namespace pennaro
