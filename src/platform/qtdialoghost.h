// The dialog host of the running program: Qt's message box, input dialog,
// file, colour and print dialogs, and our own font dialog. Each is modal to
// the window that is active when it opens.
#pragma once

#include "platform/dialoghost.h"

#include <QPointer>
#include <QStringList>

class QPrinter;
class QWidget;

namespace pennaro {

class QtDialogHost : public DialogHost {
public:
    QtDialogHost() = default;
    ~QtDialogHost() override;

    // The window the dialogs belong to; by default the active window.
    void setParentWidget(QWidget *parent) { parent_ = parent; }

    int messageBox(const MessageBoxRequest &request) override;
    QString inputBox(const InputBoxRequest &request) override;
    std::optional<FileDialogAnswer> fileDialog(const FileDialogRequest &request) override;
    std::optional<FontChoice> fontDialog(const FontDialogRequest &request) override;
    std::optional<quint32> colorDialog(const ColorDialogRequest &request) override;
    std::shared_ptr<QPrinter> printerDialog(const PrinterDialogRequest &request) override;

    // "Desc|*.a;*.b|Desc|*.*" as the name filters of a QFileDialog, one per
    // pair, each "Desc (patterns)" with the patterns matching either case.
    static QStringList nameFilters(const QString &filter);

private:
    QWidget *parentWidget() const;
    QPointer<QWidget> parent_;
    // Kept between uses so that the printer and its settings chosen last
    // time are offered again.
    std::shared_ptr<QPrinter> printer_;
};

}  // namespace pennaro
