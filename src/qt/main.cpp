#include "core/Captions.h"
#include "core/CommandLine.h"
#include "core/Identity.h"
#include "core/Settings.h"
#include "qt/CaptionTrace.h"
#include "qt/Clock.h"
#include "qt/DosDevices.h"
#include "qt/RecordFile.h"
#include "qt/SettingsStore.h"
#include "qt/Window.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

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

std::vector<std::string> argumentsOf(const QStringList& arguments)
{
    std::vector<std::string> texts;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        texts.push_back(arguments[i].toStdString());
    return texts;
}

// --help and --version answer on standard output, and need no display.
std::optional<int> answerOnly(const core::CommandLine& line)
{
    switch (line.action) {
    case core::CommandLine::Action::Help:
        std::printf("%s", core::captions::helpText(false).c_str());
        return 0;
    case core::CommandLine::Action::Version:
        std::printf("%s\n", core::captions::versionText().c_str());
        return 0;
    case core::CommandLine::Action::Refused:
        std::fprintf(stderr, "%s\n", core::captions::unknownArgument(line.refused, false).c_str());
        return 2;
    case core::CommandLine::Action::Run:
        break;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> given(argv + std::min(argc, 1), argv + argc);
    // Qt's own options (-platform, -style) are known only once Qt has taken them away, and Qt
    // needs a display for that.
    const core::CommandLine early = core::readCommandLine(given, false);
    const bool screen = hasScreen();
    if (early.action != core::CommandLine::Action::Refused || !screen)
        if (const std::optional<int> status = answerOnly(early))
            return *status;
    if (!screen) {
        std::fprintf(stderr, "%s\n", core::captions::needsDisplay().c_str());
        return 1;
    }
    QApplication app(argc, argv);
    const core::CommandLine line =
        core::readCommandLine(argumentsOf(QCoreApplication::arguments()), false);
    if (const std::optional<int> status = answerOnly(line))
        return *status;
    QApplication::setApplicationName(QLatin1String(core::kApplication));
    QApplication::setOrganizationName(QLatin1String(core::kOrganisation));
    QApplication::setApplicationVersion(QLatin1String(core::kProgramVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("uiquorvix"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/uiquorvix-32.png")));

    const qt::SettingsStore settings;
    const qt::Clock clock;
    qt::RecordFile record(qt::RecordFile::defaultPath());
    const DosDevices dosDevices(winePrefix());
    qt::Window window(
        {settings, clock, record, dosDevices, core::sessionTimes(std::getenv("UIQ_TICK_MS"))});
    window.load();
    closeOnTerminate(window);
    qt::captionTrace::follow(window);
    window.show();
    // A station that starts the program with the computer samples without anyone at it.
    if (line.start)
        window.session().startClicked();
    return app.exec();
}
