#include "shell/guard.h"

#include "platform/errors.h"

#include <QDebug>
#include <exception>

namespace pennaro {

bool guarded(const std::function<void()> &handler) {
    try {
        handler();
    } catch (const EndProgram &) {
        // The process is on its way out; nothing more to do here.
        return false;
    } catch (const std::exception &e) {
        qWarning("pennaro: a command failed: %s", e.what());
    } catch (...) {
        qWarning("pennaro: a command failed");
    }
    return true;
}

}  // namespace pennaro
