// The document's state (modified flag, file name in status panel 1), the
// save-changes prompt, and the three ways of leaving a document: Close, Exit
// and closing the window.
//
// A save that did not write the document (Save As cancelled, a failed write)
// never lets a closing path go on: the user's changes would be lost. Close,
// Exit, closing the window and Open stop there instead, with the document,
// its name and the modified flag as they were.
#include "document/recovery.h"
#include "platform/busycursor.h"
#include "platform/errors.h"
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/numbertext.h"
#include "shell/statusbar.h"

#include <utility>

namespace pennaro {

void Form1::RichTextBox1_Change() {
    Modified = true;
    recovery_->documentChanged();
}

void Form1::ClearModified() {
    Modified = false;
    recovery_->documentClean();
}

QString Form1::DocumentFileName() const { return StatusBar1->panelText(1); }

bool Form1::HasFileName() const {
    const QString name = DocumentFileName();
    return !name.isEmpty() && name != texts::PanelStatus;
}

int Form1::AskSaveChanges() {
    return services_.dialogs->messageBox({texts::SaveChangesPrompt, vbYesNoCancel, QString()});
}

void Form1::setDocumentFile(const QString &shown, const QString &fullPath) {
    StatusBar1->setPanelText(1, shown);
    documentPath_ = fullPath;
    documentPathShownAs_ = shown;
}

QString Form1::SaveTarget() const {
    const QString name = DocumentFileName();
    if (!documentPath_.isEmpty() && name == documentPathShownAs_)
        return documentPath_;
    return name;
}

bool Form1::WriteDocument(const QString &fileName) {
    try {
        // Ends before the failure's message box, which must not show a busy
        // pointer.
        const BusyCursor busy;
        RichTextBox1->SaveFile(fileName, 0);
        return true;
    } catch (const PlatformError &e) {
        services_.dialogs->messageBox({texts::cannotSave(fileName, e.message()), vbOKOnly, QString()});
        return false;
    }
}

Form1::SaveOutcome Form1::SaveDocument() {
    if (!HasFileName())
        return mnuSaveAsItem_Click() ? SaveOutcome::WrittenBySaveAs : SaveOutcome::NotWritten;
    if (!WriteDocument(SaveTarget()))
        return SaveOutcome::NotWritten;
    ClearModified();
    return SaveOutcome::WrittenInPlace;
}

bool Form1::OfferToSaveChanges() {
    if (!Modified)
        return true;
    switch (AskSaveChanges()) {
    case vbYes: return SaveDocument() != SaveOutcome::NotWritten;
    case vbNo: return true;
    default: return false;
    }
}

namespace {

// Empties the editing area (which raises the change notification) and the
// first three status panels, in that order.
void clearDocument(Form1 &form) {
    form.RichTextBox1->setText(QString());
    form.setDocumentFile(QString(), QString());
    for (int panel = 2; panel <= 3; ++panel)
        form.StatusBar1->setPanelText(panel, QString());
}

}  // namespace

void Form1::mnuCloseItem_Click() {
    if (Modified) {
        switch (AskSaveChanges()) {
        case vbYes:
            // Save As names the document, which then stays in the window; a
            // save that did not write keeps it there too.
            if (SaveDocument() != SaveOutcome::WrittenInPlace)
                return;
            break;
        case vbNo: break;
        default: return;
        }
    }
    clearDocument(*this);
    ClearModified();
}

void Form1::mnuExitItem_Click() {
    if (OfferToSaveChanges()) {
        recovery_->discard();  // saved, clean, or given up with No
        services_.process->End();
    }
}

void Form1::Form_Unload(int &Cancel) {
    if (!OfferToSaveChanges())
        Cancel = -1;

    if (WindowState() != vbMinimized) {
        const std::pair<const QString, double> placement[] = {
            {QStringLiteral("MainLeft"), Left()},
            {QStringLiteral("MainTop"), Top()},
            {QStringLiteral("MainWidth"), Width()},
            {QStringLiteral("MainHeight"), Height()},
        };
        for (const auto &[key, value] : placement) {
            try {
                services_.settings->SaveSetting(texts::SettingsApp, texts::SettingsSection, key, singleToText(value));
            } catch (const PlatformError &) {
                // The key keeps its old value; the others are still written.
            }
        }
    }

    if (Cancel != 0)
        return;
    recovery_->discard();  // saved, clean, or given up with No
    services_.process->End();
}

}  // namespace pennaro
