#include "Profile.h"
#include "SimulatedThermometer.h"
#include "qt/Window.h"

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <csignal>

// Start-up and shutdown: settings read or created, the port opened, the caption set.
class TestStartup : public QObject
{
    Q_OBJECT

    FixedClock m_clock;

    // Starts the built program on a profile, its captions traced on its output, and waits until
    // the output holds the awaited text or the program has ended.
    static bool startProgram(QProcess& program, const Profile& profile, QByteArray& output,
                             const char* awaited, const QStringList& arguments = {},
                             const QString& tickMs = {})
    {
        QProcessEnvironment environment = profile.programEnvironment();
        if (!tickMs.isEmpty())
            environment.insert(QStringLiteral("UIQ_TICK_MS"), tickMs);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(UIQ_PROGRAM_PATH), arguments);
        return program.waitForStarted() && QTest::qWaitFor(
                                               [&] {
                                                   output += program.readAllStandardOutput();
                                                   return output.contains(awaited) ||
                                                          program.state() == QProcess::NotRunning;
                                               },
                                               10000);
    }

private slots:
    // A clean profile: defaults stored, COM1 (the simulator) open with DTR and RTS raised.
    void firstRunOpensCom1()
    {
        Profile profile;
        SimulatedThermometer thermometer;
        QVERIFY(thermometer.start());
        profile.linkCom(1, thermometer.devicePath());

        const auto window = openWindow(profile, m_clock);
        QCOMPARE(window->windowTitle(), QStringLiteral("Stopped"));
        QCOMPARE(window->WXfile->text(), QStringLiteral("C:\\UiView\\WXprs.txt"));
        QCOMPARE(window->CPort->text(), QStringLiteral("1"));
        const QByteArray stored = profile.settingsText();
        QVERIFY(stored.contains("[Config]"));
        QVERIFY(stored.contains("CPort=1"));
        QVERIFY(stored.contains("WXPath=C:\\\\UiView\\\\WXprs.txt"));

        QVERIFY(window->serialPort().isOpen());
        QCOMPARE(window->serialPort().devicePath(), thermometer.devicePath());
        QCOMPARE(window->session().commPort(), 1);
        QVERIFY(window->serialPort().controlLinesRaised());
        QCOMPARE(window->serialPort().lineSettings(), QStringLiteral("9600,n,8,2"));
        QVERIFY(!window->session().started());
    }

    // Stored values come back into the window, and an edited path is saved at once.
    void storedValuesAndPathEdits()
    {
        Profile profile;
        profile.writeSettingsText("[Config]\nWXPath=/tmp/somewhere/wx.txt\nCPort=1\n");
        const auto window = openWindow(profile, m_clock);
        QCOMPARE(window->WXfile->text(), QStringLiteral("/tmp/somewhere/wx.txt"));

        window->WXfile->selectAll();
        QTest::keyClicks(window->WXfile, QStringLiteral("D:\\wx.txt"));
        QCOMPARE(profile.stored("WXPath"), QStringLiteral("D:\\wx.txt"));
    }

    // Start-up with both values stored reads them and writes nothing back.
    void startUpLeavesStoredSettingsAlone()
    {
        Profile profile;
        SimulatedThermometer thermometer;
        QVERIFY(thermometer.start());
        profile.linkCom(1, thermometer.devicePath());
        const QByteArray stored("[Config]\nWXPath = C:\\\\UiView\\\\WXprs.txt\nCPort = 1\n");
        profile.writeSettingsText(stored);
        const auto window = openWindow(profile, m_clock);
        QCOMPARE(window->WXfile->text(), QStringLiteral("C:\\UiView\\WXprs.txt"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Stopped"));
        QCOMPARE(profile.settingsText(), stored);
    }

    // A stored port 3 runs the port selector: COM3 is opened, closed and opened again.
    void storedPortThreeOpensTwice()
    {
        Profile profile;
        SimulatedThermometer thermometer;
        QVERIFY(thermometer.start());
        profile.linkCom(3, thermometer.devicePath());
        profile.writeSettingsText("[Config]\nCPort=3\n");

        const auto window = std::make_unique<qt::Window>(qt::Window::Services{
            profile.settings(), m_clock, profile.record(), profile.dosDevices()});
        QSignalSpy opens(&window->serialPort(), &qt::SerialPort::opened);
        window->load();
        QCOMPARE(opens.count(), 2);
        for (const auto& open : opens)
            QCOMPARE(open.at(0).toString(), thermometer.devicePath());
        QVERIFY(window->serialPort().isOpen());
        QCOMPARE(window->serialPort().devicePath(), thermometer.devicePath());
        QCOMPARE(window->CPort->text(), QStringLiteral("3"));
        QCOMPARE(window->VScroll1->value(), 2);
        QCOMPARE(window->serialPort().lineSettings(), QStringLiteral("9600,n,8,2"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Stopped"));
    }

    void unusablePorts_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no such device")
            << QByteArray("4")
            << QStringLiteral("COM4 cannot be opened: there is no device behind COM4");
        QTest::newRow("port 0") << QByteArray("0")
                                << QStringLiteral("COM0 cannot be opened: there is no COM0");
        QTest::newRow("not a number")
            << QByteArray("abc") << QStringLiteral("The stored port \"abc\" is not a port number");
        QTest::newRow("fraction") << QByteArray("2.5")
                                  << QStringLiteral("The stored port \"2.5\" is not a port number");
        QTest::newRow("too large")
            << QByteArray("70000") << QStringLiteral("Choose a port from 1 to 256");
    }

    // A stored port that cannot be used: the window still starts and says what is wrong. One
    // that names no port opens none, and a reading then asks no port, COM1 included.
    void unusablePorts()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, caption);
        Profile profile;
        SimulatedThermometer thermometer;
        QVERIFY(thermometer.start());
        profile.linkCom(1, thermometer.devicePath());
        profile.writeSettingsText("[Config]\nCPort=" + stored + "\n");
        // On this system a caption names the device behind the port.
        caption.replace(QStringLiteral("COM4 "), profile.portName(4) + QLatin1Char(' '));
        const auto window = openWindow(profile, m_clock);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(!window->serialPort().isOpen());
        QCOMPARE(window->windowTitle(), caption);
        QCOMPARE(window->CPort->text(), QString::fromLatin1(stored));

        const bool namesAPort = caption.contains(QStringLiteral("cannot be opened"));
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        if (!namesAPort) {
            QCOMPARE(window->windowTitle(),
                     QStringLiteral("No port is chosen: type a port number from 1 to 256"));
            QVERIFY(!thermometer.waitForQueries(1, 300));
            QVERIFY(!window->serialPort().isOpen());
        }
    }

    void programEndsCleanly_data()
    {
        QTest::addColumn<int>("ending");
        QTest::newRow("closed by the window manager") << int(SIGTERM);
        QTest::newRow("interrupted") << int(SIGINT);
        QTest::newRow("terminal hung up") << int(SIGHUP);
        QTest::newRow("caption reader quit first") << 0;
    }

    void settingsFileReadAsWritten_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("port");
        // %1 stands for the settings file.
        QTest::addColumn<QString>("caption");
        // What start-up leaves in the file; null when it must not touch it.
        QTest::addColumn<QByteArray>("afterStartUp");
        QTest::addColumn<QByteArray>("afterPortTwo");

        const QString defaultPath = QStringLiteral("C:\\UiView\\WXprs.txt");
        QTest::newRow("unquoted comma")
            << QByteArray("[Config]\nWXPath=/home/me/wx,prs.txt\nCPort=1\n")
            << QStringLiteral("/home/me/wx,prs.txt") << QStringLiteral("1")
            << QStringLiteral("Stopped") << QByteArray()
            << QByteArray("[Config]\nWXPath=/home/me/wx,prs.txt\nCPort=2\n");
        QTest::newRow("hand-typed backslashes")
            << QByteArray("[Config]\nWXPath = C:\\UiView\\new\\WXprs.txt\nCPort = 1\n")
            << QStringLiteral("C:\\UiView\\new\\WXprs.txt") << QStringLiteral("1")
            << QStringLiteral("Stopped") << QByteArray()
            << QByteArray("[Config]\nWXPath = C:\\UiView\\new\\WXprs.txt\nCPort=2\n");
        QTest::newRow("stray quote") << QByteArray("[Config]\nWXPath=/home/me/\"wx.txt\nCPort=1\n")
                                     << QStringLiteral("/home/me/\"wx.txt") << QStringLiteral("1")
                                     << QStringLiteral("Stopped") << QByteArray()
                                     << QByteArray("[Config]\nWXPath=/home/me/\"wx.txt\nCPort=2\n");
        QTest::newRow("an earlier version's file")
            << QByteArray("[Config]\nCPort=1\nWXPath=\"C:\\\\Ui View\\\\wx, \\\"1\\\".txt\"\n")
            << QStringLiteral("C:\\Ui View\\wx, \"1\".txt") << QStringLiteral("1")
            << QStringLiteral("Stopped") << QByteArray()
            << QByteArray("[Config]\nCPort=2\nWXPath=\"C:\\\\Ui View\\\\wx, \\\"1\\\".txt\"\n");
        QTest::newRow("another type")
            << QByteArray("; set up by hand\n[Config]\nWXPath=/home/me/wx.txt\n"
                          "CPort=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x3)\n")
            << QStringLiteral("/home/me/wx.txt") << QStringLiteral("1") << QStringLiteral("Stopped")
            << QByteArray("; set up by hand\n[Config]\nWXPath=/home/me/wx.txt\nCPort=1\n")
            << QByteArray("; set up by hand\n[Config]\nWXPath=/home/me/wx.txt\nCPort=2\n");
        QTest::newRow("line not UTF-8")
            << QByteArray("[Config]\nWXPath=/home/me/w\xe9x.txt\nCPort=1\n") << defaultPath
            << QStringLiteral("1")
            << QStringLiteral("WXPath cannot be read: line 2 of %1 is not valid UTF-8")
            << QByteArray() << QByteArray("[Config]\nWXPath=/home/me/w\xe9x.txt\nCPort=2\n");
        QTest::newRow("group without its ]")
            << QByteArray("[Config\nWXPath=/home/me/wx.txt\nCPort=3\n") << defaultPath
            << QStringLiteral("1")
            << QStringLiteral("WXPath and CPort cannot be read: line 1 of %1 opens a group "
                              "without its closing \"]\"")
            << QByteArray()
            << QByteArray("[Config\nWXPath=/home/me/wx.txt\nCPort=3\n\n[Config]\nCPort=2\n");
        const QByteArray longPath = "/home/me/" + QByteArray(40000, 'x');
        QTest::newRow("path longer than the box")
            << "[Config]\nWXPath=" + longPath + "\nCPort=1\n"
            << QString::fromLatin1(longPath) << QStringLiteral("1")
            << QStringLiteral("The stored path is longer than the path box holds (40009 "
                              "characters); it stays as stored")
            << QByteArray() << "[Config]\nWXPath=" + longPath + "\nCPort=2\n";
    }

    // A settings file as a user or an earlier version left it: each value is read as it stands
    // on its line, nothing is written over what cannot be shown or read, the caption says
    // why, and a later edit of the port changes only the port's line.
    void settingsFileReadAsWritten()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, path);
        QFETCH(QString, port);
        QFETCH(QString, caption);
        QFETCH(QByteArray, afterStartUp);
        QFETCH(QByteArray, afterPortTwo);
        Profile profile;
        SimulatedThermometer thermometer;
        QVERIFY(thermometer.start());
        profile.linkCom(1, thermometer.devicePath());
        profile.linkCom(2, profile.root() + QStringLiteral("/no-such-tty"));
        profile.writeSettingsText(contents);

        const auto window = openWindow(profile, m_clock);
        QCOMPARE(window->WXfile->text(), path.left(window->WXfile->maxLength()));
        QCOMPARE(window->CPort->text(), port);
        QCOMPARE(window->windowTitle(),
                 caption.replace(QStringLiteral("%1"), profile.settingsFile()));
        QVERIFY(window->serialPort().isOpen());
        QCOMPARE(profile.settingsText(), afterStartUp.isNull() ? contents : afterStartUp);

        window->CPort->selectAll();
        QTest::keyClicks(window->CPort, QStringLiteral("2"));
        QCOMPARE(profile.settingsText(), afterPortTwo);
    }

    // Values planted for the whole organisation are not the user's: the user's own file
    // gets the defaults.
    void organisationWideSettingsAreIgnored()
    {
        Profile profile;
        for (int com : {1, 4})
            profile.linkCom(com, profile.root() + QStringLiteral("/no-such-tty"));
        QFile planted(profile.configHome() + QStringLiteral("/Vostrel.conf"));
        QVERIFY(planted.open(QIODevice::WriteOnly));
        planted.write("[Config]\nWXPath=/planted/wx.txt\nCPort=4\n");
        planted.close();

        QProcess program;
        QByteArray output;
        QVERIFY(startProgram(program, profile, output, "caption "));
        QVERIFY2(output.startsWith("caption " + profile.portName(1).toUtf8() + " cannot be opened"),
                 output.constData());
        program.terminate();
        QVERIFY(program.waitForFinished(10000));

        const QByteArray stored = profile.settingsText();
        QVERIFY2(stored.contains("CPort=1\n"), stored.constData());
        QVERIFY2(stored.contains("WXPath=C:\\\\UiView\\\\WXprs.txt\n"), stored.constData());
    }

    // The built program as a process: shows "Stopped" with the simulator as COM1, stores its
    // defaults in the per-user file, and every way it is ended is a clean ending that lets
    // the port go, even when whoever read its caption trace has quit before.
    void programEndsCleanly()
    {
        QFETCH(int, ending);
        Profile profile;
        SimulatedThermometer thermometer;
        QVERIFY(thermometer.installAs(profile.winePrefix(), 1));

        QProcess program;
        QByteArray output;
        QVERIFY(startProgram(program, profile, output, "caption Stopped\n"));
        QVERIFY2(output.contains("caption Stopped\n"), output.constData());
        QVERIFY(profile.settingsText().contains("CPort=1"));

        if (ending == 0) {
            // The next caption goes to a pipe nobody reads any more.
            program.closeReadChannel(QProcess::StandardOutput);
            QVERIFY(thermometer.unplug());
            QVERIFY(!program.waitForFinished(500));
            ending = SIGTERM;
        }
        ::kill(pid_t(program.processId()), ending);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    // Started with the computer, --start: the program starts as always, says "Stopped", then
    // samples by itself; the first tick's reading comes without any click.
    void startsSamplingByItself()
    {
        Profile profile;
        SimulatedThermometer thermometer;
        QVERIFY(thermometer.installAs(profile.winePrefix(), 1));
        QProcess program;
        QByteArray output;
        QVERIFY(startProgram(program, profile, output, "\u00b0C\n", {QStringLiteral("--start")},
                             QStringLiteral("200")));
        QVERIFY2(output.startsWith("caption Stopped\ncaption Started\ncaption "),
                 output.constData());
        QVERIFY2(output.endsWith("\u00b0C\n"), output.constData());
        QCOMPARE(thermometer.queries(), 1);
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
    }

    // --version and --help answer on standard output without a window or a display, and an
    // option the program does not know stops it with a message rather than being ignored.
    void answersWithoutAWindow()
    {
        const QByteArray version = QByteArray(UIQ_VERSION);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(UIQ_PROGRAM_PATH), {QStringLiteral("--version")});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(),
                 "UiQuorvix " + version + " \xe2\x80\x93 UiView Quorvix thermometer\n");

        program.start(QStringLiteral(UIQ_PROGRAM_PATH), {QStringLiteral("--help")});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        const QByteArray help = program.readAllStandardOutput();
        for (const char* word : {"--start", "--version", "WINEPREFIX", "XDG_CONFIG_HOME"})
            QVERIFY2(help.contains(word), word);
        // A variable that only scripts and tests set is no option of a user's.
        QVERIFY2(!help.contains("UIQ_"), help.constData());

        program.start(QStringLiteral(UIQ_PROGRAM_PATH), {QStringLiteral("--strat")});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 2);
        QCOMPARE(program.readAllStandardError(),
                 "\"--strat\" is not an option of UiQuorvix; --help lists them\n");
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
