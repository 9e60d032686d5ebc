#include "app/TolvaneApplication.h"
#include "app/Unit_main.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Without a display Qt would abort with a long platform-plugin message.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY") &&
        !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        std::fputs("tolvane: no display found (DISPLAY is not set); to run without a desktop use: "
                   "xvfb-run -a tolvane\n",
                   stderr);
        return EXIT_FAILURE;
    }
#endif
    TolvaneApplication app(argc, argv);
    TForm_main Form_main;
    Form_main.show();
    return app.exec();
}
