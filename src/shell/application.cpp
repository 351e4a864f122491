#include "shell/application.h"

#include "platform/qtplatform.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/guard.h"

#include <QApplication>
#include <QIcon>

namespace pennaro {

int runEditor(int &argc, char **argv, const std::function<void(Form1 &)> &afterShow) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(texts::AppTitle);
    QApplication::setOrganizationName(texts::AppTitle);
    QApplication::setWindowIcon(applicationIcon());

    QtPlatform platform;
    Form1 window(platform.services());
    // Start-up runs before the window is first shown.
    guarded([&] { window.Form_Load(); });
    window.show();
    if (afterShow)
        afterShow(window);
    return app.exec();
}

}  // namespace pennaro
