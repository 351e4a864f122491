#include "shell/application.h"

#include "document/recovery.h"
#include "platform/fontfallback.h"
#include "platform/qtplatform.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/guard.h"
#include "shell/termination.h"

#include <QApplication>
#include <QIcon>
#include <QSessionManager>

namespace pennaro {

int runEditor(int &argc, char **argv, const std::function<void(Form1 &)> &afterShow) {
    // The command line is the program's, whole: handed to Qt, options such
    // as -reverse or -qwindowtitle would act on the window, and a file could
    // not be named like one of them. Qt is given the program's name alone;
    // the platform plugin takes what it needs from the environment (DISPLAY,
    // QT_QPA_PLATFORM, ...).
    QtCommandLine commandLine(argc, argv);
    static char fallbackName[] = "pennaro";
    int qtArgc = 1;
    char *qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(texts::AppTitle);
    QApplication::setOrganizationName(texts::AppTitle);
    QApplication::setWindowIcon(applicationIcon());
    installDesignFontFallback();

    QtPlatform platform(commandLine);
    Form1 window(platform.services());
    // Start-up runs before the window is first shown.
    guarded([&] { window.Form_Load(); });
    // Logging off or shutting down first puts the document's recovery copy
    // on disk, so that the edits survive whatever the session does next.
    // Then, given leave to ask, it closes the window as the user would, with
    // the offer to save; when the user cancels, or the save did not write,
    // the session is asked to wait.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager &manager) {
        guarded([&window] { window.Recovery().writeCopyNow(); });
        if (window.isVisible() && manager.allowsInteraction()) {
            if (!window.close())
                manager.cancel();
            manager.release();
        }
    });
    // The session is never to start the editor again by itself: it would
    // pass Qt's -session option, which is no document, and the next start
    // offers the recovery copy anyway.
    QObject::connect(&app, &QGuiApplication::saveStateRequest, &window,
                     [](QSessionManager &manager) { manager.setRestartHint(QSessionManager::RestartNever); });
    // Told to end (a kill, a closed terminal, a session that ends without
    // asking), the program puts the recovery copy on disk and ends without
    // giving it up: the next start offers it.
    handleTerminationSignals(&window, [&window](int signal) {
        guarded([&window] { window.Recovery().writeCopyNow(); });
        QCoreApplication::exit(128 + signal);
    });
    window.show();
    if (afterShow)
        afterShow(window);
    return app.exec();
}

}  // namespace pennaro
