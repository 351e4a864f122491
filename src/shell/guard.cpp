#include "shell/guard.h"

#include "platform/errors.h"

#include <QDebug>
#include <exception>

namespace pennaro {

void guarded(const std::function<void()> &handler) {
    try {
        handler();
    } catch (const EndProgram &) {
        // The process is on its way out; nothing more to do here.
    } catch (const std::exception &e) {
        qWarning("pennaro: a command failed: %s", e.what());
    } catch (...) {
        qWarning("pennaro: a command failed");
    }
}

}  // namespace pennaro
