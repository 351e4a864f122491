#include "platform/qtdialoghost.h"

#include "platform/fontdialog.h"
#include "platform/units.h"
#include "resources/texts.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace pennaro {

namespace {

// Message box styles and answers beyond the three the program uses, so that
// any style value gives a sensible box.
enum { kOkCancel = 1, kAbortRetryIgnore = 2, kRetryCancel = 5 };
enum { kAbort = 3, kRetry = 4, kIgnore = 5 };

QString titleOr(const QString &title) { return title.isEmpty() ? texts::AppTitle : title; }

// "*.rtf" only matches lower-case names on a case-sensitive file system;
// the filters come from a world where case does not matter.
QString caseless(const QString &pattern) {
    if (pattern == QLatin1String("*.*"))
        return QStringLiteral("*");
    QString out;
    for (QChar ch : pattern) {
        if (ch.isLetter() && ch.toLower() != ch.toUpper())
            out += QLatin1Char('[') + ch.toLower() + ch.toUpper() + QLatin1Char(']');
        else
            out += ch;
    }
    return out;
}

// Qt's print dialog still offers "Pages from" and "Pages" without the
// page-range option. In its print-range group (found by the names Qt's own
// form gives its widgets) only the whole document, the selection and the
// current page, which the option hides already, stay.
void hidePageRanges(QPrintDialog &dialog) {
    QWidget *group = dialog.findChild<QWidget *>(QStringLiteral("gbPrintRange"));
    if (!group)
        return;
    const QStringList kept{QStringLiteral("printAll"), QStringLiteral("printSelection"),
                           QStringLiteral("printCurrentPage")};
    for (QWidget *widget : group->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!kept.contains(widget->objectName()))
            widget->hide();
    }
}

}  // namespace

QtDialogHost::~QtDialogHost() = default;

QWidget *QtDialogHost::parentWidget() const {
    if (parent_)
        return parent_;
    return QApplication::activeWindow();
}

int QtDialogHost::messageBox(const MessageBoxRequest &request) {
    QMessageBox box(QMessageBox::NoIcon, titleOr(request.title), request.prompt, QMessageBox::NoButton, parentWidget());
    QList<QMessageBox::StandardButton> order;
    QMessageBox::StandardButton escape = QMessageBox::NoButton;
    switch (request.buttons & 7) {
    case kOkCancel:
        order = {QMessageBox::Ok, QMessageBox::Cancel};
        escape = QMessageBox::Cancel;
        break;
    case kAbortRetryIgnore: order = {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore}; break;
    case vbYesNoCancel:
        order = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
        escape = QMessageBox::Cancel;
        break;
    case vbYesNo:
        order = {QMessageBox::Yes, QMessageBox::No};
        escape = QMessageBox::No;
        break;
    case kRetryCancel:
        order = {QMessageBox::Retry, QMessageBox::Cancel};
        escape = QMessageBox::Cancel;
        break;
    default:
        order = {QMessageBox::Ok};
        escape = QMessageBox::Ok;
        break;
    }
    for (QMessageBox::StandardButton b : order)
        box.addButton(b);
    // &H100 and &H200 make the second or third button the default one.
    const int defaultIndex = qBound(0, (request.buttons >> 8) & 3, int(order.size()) - 1);
    box.setDefaultButton(order.at(defaultIndex));
    if (escape != QMessageBox::NoButton)
        box.setEscapeButton(escape);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return vbOK;
    case QMessageBox::Cancel: return vbCancel;
    case QMessageBox::Abort: return kAbort;
    case QMessageBox::Retry: return kRetry;
    case QMessageBox::Ignore: return kIgnore;
    case QMessageBox::Yes: return vbYes;
    case QMessageBox::No: return vbNo;
    default: break;
    }
    // Closed without a button: what Escape would have answered.
    switch (escape) {
    case QMessageBox::Ok: return vbOK;
    case QMessageBox::No: return vbNo;
    default: return vbCancel;
    }
}

QString QtDialogHost::inputBox(const InputBoxRequest &request) {
    QInputDialog dialog(parentWidget());
    dialog.setWindowTitle(titleOr(request.title));
    dialog.setLabelText(request.prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(request.defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

QStringList QtDialogHost::nameFilters(const QString &filter) {
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns << caseless(p.trimmed());
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(parts.at(i).trimmed(), patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

std::optional<FileDialogAnswer> QtDialogHost::fileDialog(const FileDialogRequest &request) {
    const bool open = request.kind == FileDialogKind::Open;
    QFileDialog dialog(parentWidget());
    // Qt's own dialog behaves the same on every desktop, and it leaves the
    // overwrite question to the common dialog, which asks it itself.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // The descriptions already name their patterns ("Rtf文件 (*.Rtf)").
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open && (request.flags & 0x1000) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDirectory(request.initDir.isEmpty() ? QDir::currentPath() : request.initDir);

    const QStringList filters = nameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(qBound(1, request.filterIndex, int(filters.size())) - 1));
    }
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    FileDialogAnswer answer;
    answer.path = dialog.selectedFiles().constFirst();
    const int index = int(filters.indexOf(dialog.selectedNameFilter()));
    answer.filterIndex = index >= 0 ? index + 1 : request.filterIndex;
    return answer;
}

std::optional<FontChoice> QtDialogHost::fontDialog(const FontDialogRequest &request) {
    FontDialog dialog(parentWidget());
    dialog.setChoice(request.initial);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

std::optional<quint32> QtDialogHost::colorDialog(const ColorDialogRequest &request) {
    // Only &H1 asks the dialog to start from the given colour.
    const QColor initial = (request.flags & 0x1) ? colorFromBgr(request.color) : QColor(Qt::black);
    QColorDialog dialog(initial, parentWidget());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return bgrFromColor(dialog.selectedColor());
}

std::shared_ptr<QPrinter> QtDialogHost::printerDialog(const PrinterDialogRequest &request) {
    if (!printer_) {
        printer_ = std::make_shared<QPrinter>(QPrinter::HighResolution);
        // Paper margins a reader expects, instead of the few millimetres
        // the printer could do with; the dialog's page setup changes them.
        printer_->setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    }
    QPrintDialog dialog(printer_.get(), parentWidget());
    dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, !(request.flags & 0x8));
    dialog.setPrintRange((request.flags & 0x1) ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
    if (request.flags & 0x8)
        hidePageRanges(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return printer_;
}

}  // namespace pennaro
