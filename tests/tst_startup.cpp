#include "Profile.h"
#include "SimulatedThermometer.h"
#include "ui/UiQuorvix.h"

#include <QLineEdit>
#include <QPushButton>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <csignal>

// Start-up and shutdown: settings read or created, the port opened, the caption set.
class TestStartup : public QObject
{
    Q_OBJECT

    FixedClock m_clock;

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

        QVERIFY(window->MSComm1.PortOpen());
        QCOMPARE(window->MSComm1.devicePath(), thermometer.devicePath());
        QCOMPARE(window->MSComm1.CommPort(), qint16(1));
        QVERIFY(window->MSComm1.DTREnable());
        QVERIFY(window->MSComm1.RTSEnable());
        QCOMPARE(window->MSComm1.Settings(), QStringLiteral("9600,n,8,2"));
        QVERIFY(!window->Timer1.isActive());
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
        QString saved;
        profile.settings().ReadConfigValue(QStringLiteral("WXPath"), saved, QStringLiteral("x"));
        QCOMPARE(saved, QStringLiteral("D:\\wx.txt"));
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

        UiQuorvix::Services services;
        services.settings = &profile.settings();
        services.clock = &m_clock;
        const auto window = std::make_unique<UiQuorvix>(services);
        QSignalSpy opens(&window->MSComm1, &MSComm::opened);
        window->OnLoad();
        QCOMPARE(opens.count(), 2);
        for (const auto& open : opens)
            QCOMPARE(open.at(0).toString(), thermometer.devicePath());
        QVERIFY(window->MSComm1.PortOpen());
        QCOMPARE(window->MSComm1.devicePath(), thermometer.devicePath());
        QCOMPARE(window->CPort->text(), QStringLiteral("3"));
        QCOMPARE(window->VScroll1->value(), 2);
        QCOMPARE(window->MSComm1.Settings(), QStringLiteral("9600,n,8,2"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Stopped"));
    }

    void unusablePorts_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no such device")
            << QByteArray("4")
            << QStringLiteral("COM4 cannot be opened: No such file or directory");
        QTest::newRow("port 0") << QByteArray("0")
                                << QStringLiteral("COM0 cannot be opened: there is no COM0");
        QTest::newRow("not a number")
            << QByteArray("abc") << QStringLiteral("The stored port \"abc\" is not a port number");
        QTest::newRow("fraction") << QByteArray("2.5")
                                  << QStringLiteral("The stored port \"2.5\" is not a port number");
        QTest::newRow("beyond the arrows")
            << QByteArray("7") << QStringLiteral("Choose a port from 0 to 5");
        QTest::newRow("too large")
            << QByteArray("70000") << QStringLiteral("Choose a port from 0 to 5");
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
        const auto window = openWindow(profile, m_clock);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(!window->MSComm1.PortOpen());
        QCOMPARE(window->windowTitle(), caption);
        QCOMPARE(window->CPort->text(), QString::fromLatin1(stored));

        const bool namesAPort = caption.contains(QStringLiteral("cannot be opened"));
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        if (!namesAPort) {
            QCOMPARE(window->windowTitle(),
                     QStringLiteral("No port is chosen: type a port number from 0 to 5"));
            QVERIFY(!thermometer.waitForQueries(1, 300));
            QVERIFY(!window->MSComm1.PortOpen());
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
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("WINEPREFIX"), profile.winePrefix());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), profile.configHome());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("UIQ_REPORT_CAPTION"), QStringLiteral("1"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(UIQ_PROGRAM_PATH), {});
        QVERIFY(program.waitForStarted());
        QByteArray output;
        QVERIFY(QTest::qWaitFor(
            [&] {
                output += program.readAllStandardOutput();
                return output.contains("caption Stopped\n") ||
                       program.state() == QProcess::NotRunning;
            },
            10000));
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
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
