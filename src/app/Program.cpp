#include "app/Program.h"

#include "core/ConfigValues.h"
#include "settings/Module1.h"
#include "ui/UiQuorvix.h"
#include "wine/DosDevices.h"
#include "wx/Clock.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSocketNotifier>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// The Wine prefix the host program runs in, as Wine itself finds it.
QString winePrefix()
{
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    return prefix.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine") : prefix;
}

bool hasScreen()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

#ifdef Q_OS_UNIX
int g_signalPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM, SIGINT and SIGHUP (the terminal closed) close the window like the close button
// does, so the port and its lock file are let go. A reader of the caption trace that quits
// must not end the program either, so writes to a closed pipe only fail.
void closeOnTerminate(QWidget& window)
{
    std::signal(SIGPIPE, SIG_IGN);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
        char byte;
        [[maybe_unused]] const auto read = ::read(g_signalPipe[0], &byte, 1);
        notifier->setEnabled(false);
        window.close();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}
#endif

// Scripts and tests that start the program as a process read its caption from stdout.
void reportCaptions(QWidget& window)
{
    if (qEnvironmentVariableIsEmpty("UIQ_REPORT_CAPTION"))
        return;
    auto print = [](const QString& caption) {
        std::printf("caption %s\n", caption.toUtf8().constData());
        std::fflush(stdout);
    };
    print(window.windowTitle());
    QObject::connect(&window, &QWidget::windowTitleChanged, &window, print);
}

} // namespace

int runProgram(int argc, char** argv)
{
    if (!hasScreen()) {
        std::fprintf(stderr, "UiQuorvix needs a display to show its window: DISPLAY and "
                             "WAYLAND_DISPLAY are both unset.\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(core::kApplication));
    QApplication::setOrganizationName(QLatin1String(core::kOrganisation));
    QApplication::setApplicationVersion(QStringLiteral(UIQ_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("uiquorvix"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/uiquorvix-32.png")));

    const Module1 settings;
    const Clock clock;
    const DosDevices dosDevices(winePrefix());
    UiQuorvix::Services services;
    services.settings = &settings;
    services.clock = &clock;
    services.dosDevices = &dosDevices;
    UiQuorvix window(services);
    window.OnLoad();
#ifdef Q_OS_UNIX
    closeOnTerminate(window);
#endif
    reportCaptions(window);
    window.show();
    return app.exec();
}
