#include "support/scripted_platform.h"

#include "platform/errors.h"
#include "platform/keystrokes.h"

#include <QApplication>
#include <QCursor>
#include <QPrinter>
#include <QTest>
#include <QWidget>
#include <stdexcept>

namespace pennaro::testing {

const char *dialogKindName(DialogKind kind) {
    switch (kind) {
    case DialogKind::MessageBox: return "message box";
    case DialogKind::InputBox: return "input box";
    case DialogKind::FileOpen: return "file-open dialog";
    case DialogKind::FileSave: return "file-save dialog";
    case DialogKind::Font: return "font dialog";
    case DialogKind::Color: return "colour dialog";
    case DialogKind::Printer: return "print dialog";
    }
    return "dialog";
}

// ---- ScriptedDialogHost ---------------------------------------------------

void ScriptedDialogHost::answerMessage(int result) {
    queue_.push_back(Answer{DialogKind::MessageBox, false, result, {}, {}, 0});
}

void ScriptedDialogHost::answerInput(const QString &text) {
    queue_.push_back(Answer{DialogKind::InputBox, text.isEmpty(), 0, text, {}, 0});
}

void ScriptedDialogHost::answerOpen(const QString &path) {
    queue_.push_back(Answer{DialogKind::FileOpen, false, 0, path, {}, 0});
}

void ScriptedDialogHost::answerSave(const QString &path) {
    queue_.push_back(Answer{DialogKind::FileSave, false, 0, path, {}, 0});
}

void ScriptedDialogHost::answerFont(const FontChoice &choice) {
    queue_.push_back(Answer{DialogKind::Font, false, 0, {}, choice, 0});
}

void ScriptedDialogHost::answerColor(quint32 color) {
    queue_.push_back(Answer{DialogKind::Color, false, 0, {}, {}, color});
}

void ScriptedDialogHost::answerPrinterPdf(const QString &pdfPath, int printRange) {
    queue_.push_back(Answer{DialogKind::Printer, false, printRange, pdfPath, {}, 0});
}

void ScriptedDialogHost::answerPrinter(std::shared_ptr<QPrinter> printer) {
    queue_.push_back(Answer{DialogKind::Printer, false, 0, {}, {}, 0, std::move(printer)});
}

void ScriptedDialogHost::cancel(DialogKind kind) { queue_.push_back(Answer{kind, true, 0, {}, {}, 0}); }

QList<ShownDialog> ScriptedDialogHost::takeShown() {
    QList<ShownDialog> shown;
    shown.swap(shown_);
    return shown;
}

ScriptedDialogHost::Answer ScriptedDialogHost::take(DialogKind kind, const ShownDialog &shown) {
    shown_.append(shown);
    const QCursor *pointer = QGuiApplication::overrideCursor();
    shown_.last().busyPointer = pointer && pointer->shape() == Qt::WaitCursor;
    if (queue_.empty() || queue_.front().kind != kind) {
        QString message = QStringLiteral("Unexpected %1").arg(QLatin1String(dialogKindName(kind)));
        if (!shown.prompt.isEmpty())
            message += QStringLiteral(": \"%1\"").arg(shown.prompt);
        if (!queue_.empty())
            message +=
                QStringLiteral(" (the test expected a %1)").arg(QLatin1String(dialogKindName(queue_.front().kind)));
        const QByteArray text = message.toUtf8();
        QTest::qFail(text.constData(), __FILE__, __LINE__);
        // The handler under test must not go on as if the user had answered.
        throw std::logic_error(text.toStdString());
    }
    Answer answer = queue_.front();
    queue_.pop_front();
    return answer;
}

int ScriptedDialogHost::messageBox(const MessageBoxRequest &request) {
    ShownDialog shown{DialogKind::MessageBox};
    shown.prompt = request.prompt;
    shown.title = request.title;
    shown.buttons = request.buttons;
    const Answer answer = take(DialogKind::MessageBox, shown);
    if (answer.cancel)
        return (request.buttons & 7) == vbOKOnly ? vbOK : vbCancel;
    return answer.result;
}

QString ScriptedDialogHost::inputBox(const InputBoxRequest &request) {
    ShownDialog shown{DialogKind::InputBox};
    shown.prompt = request.prompt;
    shown.title = request.title;
    shown.defaultText = request.defaultText;
    const Answer answer = take(DialogKind::InputBox, shown);
    return answer.cancel ? QString() : answer.text;
}

std::optional<FileDialogAnswer> ScriptedDialogHost::fileDialog(const FileDialogRequest &request) {
    const DialogKind kind = request.kind == FileDialogKind::Open ? DialogKind::FileOpen : DialogKind::FileSave;
    ShownDialog shown{kind};
    shown.title = request.title;
    shown.filter = request.filter;
    shown.filterIndex = request.filterIndex;
    shown.fileName = request.fileName;
    shown.flags = request.flags;
    const Answer answer = take(kind, shown);
    if (answer.cancel)
        return std::nullopt;
    return FileDialogAnswer{answer.text, request.filterIndex};
}

std::optional<FontChoice> ScriptedDialogHost::fontDialog(const FontDialogRequest &request) {
    ShownDialog shown{DialogKind::Font};
    shown.font = request.initial;
    shown.color = request.initial.color;
    shown.flags = request.flags;
    const Answer answer = take(DialogKind::Font, shown);
    if (answer.cancel)
        return std::nullopt;
    return answer.font;
}

std::optional<quint32> ScriptedDialogHost::colorDialog(const ColorDialogRequest &request) {
    ShownDialog shown{DialogKind::Color};
    shown.color = request.color;
    shown.flags = request.flags;
    const Answer answer = take(DialogKind::Color, shown);
    if (answer.cancel)
        return std::nullopt;
    return answer.color;
}

std::shared_ptr<QPrinter> ScriptedDialogHost::printerDialog(const PrinterDialogRequest &request) {
    ShownDialog shown{DialogKind::Printer};
    shown.flags = request.flags;
    const Answer answer = take(DialogKind::Printer, shown);
    if (answer.cancel)
        return nullptr;
    if (answer.printer)
        return answer.printer;
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(answer.text);
    if (answer.result >= 0)
        printer->setPrintRange(QPrinter::PrintRange(answer.result));
    else if (request.flags & 0x1)
        printer->setPrintRange(QPrinter::Selection);
    return printer;
}

// ---- ScriptedSettings ------------------------------------------------------

QString ScriptedSettings::path(const QString &app, const QString &section, const QString &key) {
    return app + QLatin1Char('/') + section + QLatin1Char('/') + key;
}

QString ScriptedSettings::GetSetting(const QString &app, const QString &section, const QString &key,
                                     const QString &defaultValue) {
    return values.value(path(app, section, key), defaultValue);
}

void ScriptedSettings::SaveSetting(const QString &app, const QString &section, const QString &key,
                                   const QString &value) {
    const QString p = path(app, section, key);
    if (failingWrites.contains(p))
        throw PlatformError(QStringLiteral("The setting %1 cannot be stored").arg(p));
    values.insert(p, value);
    writes.append(p);
}

// ---- ScriptedRegistry ------------------------------------------------------

long ScriptedRegistry::RegOpenKeyExA(HKEY root, const std::string &subKey, std::uint32_t, std::uint32_t, HKEY *result) {
    const std::string_view rootName = registryRootName(root);
    QString base =
        rootName.empty() ? handles_.value(root) : QString::fromLatin1(rootName.data(), qsizetype(rootName.size()));
    if (base.isEmpty())
        return ERROR_INVALID_HANDLE;
    QString wanted = base;
    const QString sub = QString::fromLocal8Bit(subKey.data(), qsizetype(subKey.size()));
    for (const QString &part : sub.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        wanted += QLatin1Char('\\') + part;
    // Registry names compare without regard to case; the spelling the test
    // gave the key is the one values are recorded under.
    for (const QString &key : std::as_const(keys)) {
        if (key.compare(wanted, Qt::CaseInsensitive) == 0) {
            const HKEY handle = next_++;
            handles_.insert(handle, key);
            ++openHandles;
            if (result)
                *result = handle;
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

long ScriptedRegistry::RegSetValueExA(HKEY key, const std::string &valueName, std::uint32_t, std::uint32_t type,
                                      const std::uint8_t *data, std::uint32_t size) {
    const auto it = handles_.constFind(key);
    if (it == handles_.constEnd())
        return ERROR_INVALID_HANDLE;
    const QString name = QString::fromLocal8Bit(valueName.data(), qsizetype(valueName.size()));
    values.insert(it.value() + QLatin1Char('\\') + name,
                  Value{type, QByteArray(reinterpret_cast<const char *>(data), int(size))});
    return ERROR_SUCCESS;
}

long ScriptedRegistry::RegCloseKey(HKEY key) {
    if (!handles_.remove(key))
        return ERROR_INVALID_HANDLE;
    --openHandles;
    return ERROR_SUCCESS;
}

// ---- ScriptedInput ---------------------------------------------------------

void ScriptedInput::SendKeys(const QString &keys, bool wait) {
    Q_UNUSED(wait);  // tests want the effect before the next statement
    sentKeys.append(keys);
    deliverKeys(GetFocus(), parseSendKeys(keys), true);
}

QWidget *ScriptedInput::ActiveControl() { return GetFocus(); }

QWidget *ScriptedInput::GetFocus() { return focus_ ? focus_.data() : QApplication::focusWidget(); }

long ScriptedInput::SendMessageA(QWidget *hwnd, quint32 msg, quintptr wParam, qintptr lParam) {
    sentMessages.append(msg);
    return deliverWindowMessage(hwnd, msg, wParam, lParam);
}

// ---- ScriptedProcess, ScriptedPlatform -------------------------------------

void ScriptedProcess::End() {
    ended = true;
    throw EndProgram();
}

Services ScriptedPlatform::services() { return Services::of(*this); }

}  // namespace pennaro::testing
