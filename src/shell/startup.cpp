// Start-up: restore the placement, reset the search, fill the font-name box,
// open the file named on the command line, lay the window out.
//
// Start-up never reports a failure. A statement that fails is tried again at
// once; the failures of the whole run are counted, and at the 10001st the
// editing area shows "程序出错!" and start-up stops where it is (the layout
// included). The window is shown all the same.
#include "shell/form1.h"

#include "document/recovery.h"
#include "platform/errors.h"
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/numbertext.h"
#include "shell/statusbar.h"

#include <QComboBox>
#include <QFileInfo>

namespace pennaro {

namespace {

constexpr int kMaxRetries = 10000;

// The window's outer size as designed, and the default of the stored one.
constexpr float kDesignWidth = 11865;
constexpr float kDesignHeight = 8760;

// Runs each statement under the retry rule; once it has given up, nothing
// more runs.
class Retrier {
public:
    explicit Retrier(RichTextBox *editor) : editor_(editor) {}

    bool run(const std::function<void()> &statement) {
        if (gaveUp_)
            return false;
        for (;;) {
            try {
                statement();
                return true;
            } catch (const EndProgram &) {
                throw;
            } catch (...) {
                if (++failures_ > kMaxRetries) {
                    gaveUp_ = true;
                    editor_->setText(texts::StartupFailed);
                    return false;
                }
            }
        }
    }

private:
    RichTextBox *editor_;
    int failures_ = 0;
    bool gaveUp_ = false;
};

// A stored placement value: decimal text as a single-precision number
// ("-60", "11865", "123.5"). Text that is no finite number, the empty text
// included, counts as missing, so that one bad value cannot keep the font
// list and the command-line file from loading on every run.
float placementValue(SettingsStore &store, const QString &key, float defaultValue) {
    const QString stored =
        store.GetSetting(texts::SettingsApp, texts::SettingsSection, key, singleToText(defaultValue));
    return textToSingle(stored).value_or(defaultValue);
}

// Appends to the list without touching the box's text: the first entry of an
// empty list would otherwise become the current one and replace the text.
void addItemKeepingText(QComboBox *box, const QString &name) {
    const QString text = box->currentText();
    const bool wasEmpty = box->count() == 0;
    box->addItem(name);
    if (wasEmpty)
        box->setCurrentIndex(-1);
    if (box->currentText() != text)
        box->setEditText(text);
}

// The file named by the argument text: the text between a pair of enclosing
// quotes, otherwise the whole text as it is. A lone quote is its own pair
// with a length of -1 between, which no name can have.
QString fileNameFromArguments(const QString &arguments) {
    const QChar quote(u'"');
    if (arguments.startsWith(quote) && arguments.endsWith(quote)) {
        const qsizetype inner = arguments.size() - 2;
        if (inner < 0)
            throw PlatformError(QStringLiteral("Invalid procedure call or argument"));
        return arguments.mid(1, inner);
    }
    return arguments;
}

}  // namespace

void Form1::Form_Load() {
    Retrier step(RichTextBox1);
    SettingsStore &settings = *services_.settings;

    // The window starts at its design size, which the stored placement then
    // replaces key by key: a key that cannot be applied leaves the size it
    // had before, not whatever Qt would pick for a window never sized.
    setWidth(kDesignWidth);
    setHeight(kDesignHeight);

    // Placement, one key after the other, each in place before the next is read.
    if (!step.run([&] { setLeft(placementValue(settings, QStringLiteral("MainLeft"), 0)); }))
        return;
    if (!step.run([&] { setTop(placementValue(settings, QStringLiteral("MainTop"), 0)); }))
        return;
    if (!step.run([&] { setWidth(placementValue(settings, QStringLiteral("MainWidth"), kDesignWidth)); }))
        return;
    if (!step.run([&] { setHeight(placementValue(settings, QStringLiteral("MainHeight"), kDesignHeight)); }))
        return;

    RestartSearch = true;

    // The font list in the platform's order, duplicates and all.
    int fontCount = 0;
    if (!step.run([&] { fontCount = services_.fonts->FontCount(); }))
        return;
    for (int i = 0; i < fontCount; ++i) {
        if (!step.run([&] { addItemKeepingText(Combo1, services_.fonts->Fonts(i)); }))
            return;
    }

    QString arguments;
    if (!step.run([&] { arguments = services_.commandLine->Command(); }))
        return;
    // A document that a crash, a kill or a lost session left unsaved is
    // offered before the command-line file is opened. Restored, it takes the
    // window, and the command-line file stays as it is on disk (the offer
    // says so). Without a copy on disk nothing is shown and nothing created.
    bool restored = false;
    try {
        restored = recovery_->offerRestore(arguments);
    } catch (const PlatformError &) {
        // The copies stay on disk for the next start; this one goes on.
    }
    if (!restored && !arguments.isEmpty()) {
        QString fileName;
        if (!step.run([&] { fileName = fileNameFromArguments(arguments); }))
            return;
        if (!step.run([&] { RichTextBox1->LoadFile(fileName, 0); }))
            return;
        // Panel 1 shows the name as given; saves go to the file it named
        // now, before any dialog has moved the current directory.
        const QString fullPath = QFileInfo(fileName).absoluteFilePath();
        if (!step.run([&] { setDocumentFile(fileName, fullPath); }))
            return;
        // Loading raised the change notification; a freshly loaded document
        // is not modified.
        ClearModified();
    }

    step.run([&] { Form_Resize(); });
}

}  // namespace pennaro
