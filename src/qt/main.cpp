#include "core/Captions.h"
#include "core/Settings.h"
#include "qt/Clock.h"
#include "qt/DosDevices.h"
#include "qt/SettingsStore.h"
#include "qt/Window.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The Wine prefix the host program runs in, as Wine itself finds it.
QString winePrefix()
{
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    return prefix.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine") : prefix;
}

bool hasScreen()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

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

int main(int argc, char** argv)
{
    if (!hasScreen()) {
        std::fprintf(stderr, "%s\n", core::captions::needsDisplay().c_str());
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(core::kApplication));
    QApplication::setOrganizationName(QLatin1String(core::kOrganisation));
    QApplication::setApplicationVersion(QStringLiteral(UIQ_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("uiquorvix"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/uiquorvix-32.png")));

    const qt::SettingsStore settings;
    const qt::Clock clock;
    const DosDevices dosDevices(winePrefix());
    qt::Window window({settings, clock, dosDevices});
    window.load();
    closeOnTerminate(window);
    reportCaptions(window);
    window.show();
    return app.exec();
}
