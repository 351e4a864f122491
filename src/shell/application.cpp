#include "shell/application.h"

#include "platform/qtplatform.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/guard.h"

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

    QtPlatform platform(commandLine);
    Form1 window(platform.services());
    // Start-up runs before the window is first shown.
    guarded([&] { window.Form_Load(); });
    // Logging off or shutting down closes the window as the user would, with
    // the offer to save; when the user cancels, or the save did not write,
    // the session is asked to wait. Without leave to ask, nothing is done.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager &manager) {
        if (window.isVisible() && manager.allowsInteraction()) {
            if (!window.close())
                manager.cancel();
            manager.release();
        }
    });
    window.show();
    if (afterShow)
        afterShow(window);
    return app.exec();
}

}  // namespace pennaro
