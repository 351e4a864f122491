// A shown main window on scripted services, 800 x 600, with a generated
// business document of the given size on disk, for the benchmarks that run
// the window's own handlers. Run them with QT_QPA_PLATFORM=offscreen.
#pragma once

#include "benchdoc.h"
#include "platform/richtextbox.h"
#include "shell/form1.h"
#include "support/scripted_platform.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextEdit>

#include <map>
#include <memory>

namespace pennaro::bench {

struct WindowSession {
    testing::ScriptedPlatform platform;
    QTemporaryDir dir;
    Form1 form{platform.services()};
    QString file;
    int rtfRuns = 0;  // the generator's runs; neighbours of one format share a fragment

    explicit WindowSession(qsizetype bytes) {
        file = dir.filePath(QStringLiteral("business.rtf"));
        const BusinessDocument generated = makeBusinessDocument(bytes);
        rtfRuns = int(generated.runs.size());
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(generated.rtf);
        out.close();
        form.resize(800, 600);
        form.show();
        form.Form_Resize();
    }
    virtual ~WindowSession() = default;

    RichTextBox &box() { return *form.RichTextBox1; }

    // Opens the file through the open dialog, as the user does, dropping
    // whatever was changed; done when the visible part is laid out and
    // painted.
    void open() {
        form.Modified = false;
        platform.dialogs.answerOpen(file);
        form.mnuOpenItem_Click();
        box().widget()->viewport()->repaint();
        QCoreApplication::processEvents();
    }
};

// One session of a kind per key for the whole run: opening a large document
// takes a while. Made on first use and closed before the application goes,
// as windows must be.
template <class Session, class Key>
Session &keptSession(Key key) {
    static std::map<Key, std::unique_ptr<Session>> sessions;
    if (sessions.empty())
        qAddPostRoutine([] { sessions.clear(); });
    std::unique_ptr<Session> &session = sessions[key];
    if (!session)
        session = std::make_unique<Session>(key);
    return *session;
}

}  // namespace pennaro::bench
