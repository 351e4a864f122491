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

namespace pennaro::bench {

struct WindowSession {
    testing::ScriptedPlatform platform;
    QTemporaryDir dir;
    Form1 form{platform.services()};
    QString file;

    explicit WindowSession(qsizetype bytes) {
        file = dir.filePath(QStringLiteral("business.rtf"));
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(makeBusinessDocument(bytes).rtf);
        out.close();
        form.resize(800, 600);
        form.show();
        form.Form_Resize();
    }

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

}  // namespace pennaro::bench
