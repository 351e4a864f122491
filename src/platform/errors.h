// Failures of the platform layer. A handler applies its own failure style to
// these; the guard around every handler catches whatever is left, so that no
// failure ends the program.
#pragma once

#include <QString>
#include <stdexcept>

namespace pennaro {

// A platform operation failed (a file that cannot be read or written, a move
// the control refuses, a settings value that cannot be stored, ...).
class PlatformError : public std::runtime_error {
public:
    explicit PlatformError(const QString &message) : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

private:
    QString message_;
};

// The user closed a common dialog with Cancel while CancelError was set.
class DialogCancelled : public PlatformError {
public:
    DialogCancelled() : PlatformError(QStringLiteral("Cancel was selected.")) {}
};

// Thrown by ProcessControl::End() to unwind the running handler at once:
// "end the program" stops everything after it, whatever handler was running.
// Only the handler guard catches it; handlers must let it through (catch
// PlatformError or std::runtime_error, never catch (...) without rethrowing
// this).
class EndProgram {};

}  // namespace pennaro
