// A main window on scripted services, started as the program starts it,
// in a temporary working folder of its own.
#pragma once

#include "support/scripted_platform.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class QWidget;

namespace pennaro {
class Form1;
}

namespace pennaro::testing {

// The document as the user sees it: the text, the name in status panel 1 and
// the modified flag. Commands that must leave the document alone are checked
// against a snapshot of it.
struct DocumentView {
    QString text;
    QString name;
    bool modified = false;
    bool operator==(const DocumentView &) const = default;
};
char *toString(const DocumentView &view);

// The one message a failed write shows: OK only, the file named once on the
// first line, a reason below it.
void expectCannotSave(const ShownDialog &shown, const QString &fileName);

// Types into a widget as the user would: one key event per character,
// carrying its text (QTest's own key clicks only know Latin-1).
void typeInto(QWidget *target, const QString &text);

class FormFixture {
public:
    explicit FormFixture(bool runFormLoad = true);
    ~FormFixture();

    ScriptedPlatform platform;
    QTemporaryDir dir;
    std::unique_ptr<Form1> form;

    // Runs a handler as Qt would (through the guard); true when it ended the
    // program.
    bool run(const std::function<void()> &handler);

    // A path inside the temporary folder.
    QString path(const QString &name) const;

    // Types into the editing area as the user would.
    void type(const QString &text);
    // Puts a document on disk: an RTF file holding the text.
    QString writeRtf(const QString &name, const QString &text) const;
    // The plain text of an RTF file as the engine reads it; a null string
    // when the file is missing or not RTF.
    static QString readRtfText(const QString &path);

    QString panel(int number) const;
    DocumentView document() const;

    // A document of plain text, clean, with the keyboard focus (as the
    // scripted input system reports it) in the editing area.
    void startWith(const QString &text);
    // The editing area's selection as "start+length".
    QString selection() const;
    // Shows the window, makes it active and gives the editing area the real
    // keyboard focus, for tests that press keys; returns the editing widget,
    // or null when the window or the focus did not come.
    QWidget *showWithEditorFocused();
};

}  // namespace pennaro::testing
