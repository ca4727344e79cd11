#include "Resident.h"
#include "RigTest.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kDegrees = QStringLiteral("\u00b0C");
const QStringList kAnswersTwice{QStringLiteral("--twice"), QStringLiteral("--twice-gap"),
                                QStringLiteral("40")};
const QRegularExpression kTemperatureCaption(QStringLiteral("^[+-]\\d\\d\\.\\d\u00b0C$"));

// The whole literal, NUL bytes included.
template <size_t N> QByteArray withNul(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

bool run(const QString& program, const QStringList& arguments, QString* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ok = process.waitForFinished(10000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return ok;
}

// A small filesystem of its own, so a test can fill it up or make it read-only.
class SmallDisk
{
public:
    SmallDisk()
    {
        m_mounted = run(QStringLiteral("mount"),
                        {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                         QStringLiteral("size=64k"), QStringLiteral("tmpfs"), m_dir.path()},
                        &m_why);
    }
    ~SmallDisk()
    {
        if (m_mounted)
            run(QStringLiteral("umount"), {QStringLiteral("-l"), m_dir.path()});
    }
    bool mounted() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path() const { return m_dir.path(); }
    bool remountReadOnly()
    {
        return run(QStringLiteral("mount"),
                   {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_dir.path()});
    }
    // Fills what space is left, so the next write finds the disk full.
    void fill()
    {
        QFile filler(m_dir.path() + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        const QByteArray block(512, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    void unfill() { QFile::remove(m_dir.path() + QStringLiteral("/filler")); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
};

} // namespace

// Faults tried on purpose: a thermometer that misbehaves or goes away, a port someone else
// holds, a weather file that cannot be written, settings that cannot be kept, and clicks in
// every order while the thermometer is being asked. Nothing may crash or hang, the caption
// must say what is wrong, and nothing written before may be lost.
class TestFaults : public RigTest
{
    Q_OBJECT

    bool openRig(const QStringList& options = {}, int tickMs = 50, int timeoutMs = 300)
    {
        m_rig = std::make_unique<Rig>();
        return m_rig->open(options, tickMs, timeoutMs);
    }

    // Types over the text and finishes with Enter, as a user who is done with it does.
    void typeInto(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

private slots:
    void cleanup() { m_rig.reset(); }

    // NUL and high bytes in the fields reach the caption and the file unchanged.
    void nulAndHighBytesGoThroughUnchanged()
    {
        const QByteArray weather("\x00\x01\x80\xff\xb0 \x00\t\x0b\x1b"
                                 "ABCDE",
                                 15);
        const QByteArray reply =
            QByteArray(20, '\0') + weather + QByteArray(14, '\xff') + "-03.5\r\n";
        QVERIFY(openRig(
            {QStringLiteral("--reply"), QString::fromLatin1(SimulatedThermometer::escape(reply))}));
        Rig::click(window().Command2);
        QTRY_VERIFY_WITH_TIMEOUT(samples().count() >= 7, 5000);
        QCOMPARE(caption(), QStringLiteral("-03.5") + kDegrees);
        QCOMPARE(m_rig->fileContents(), "Mar 05 2003 07:04\r\n" + weather + "\r\n");
    }

    // Random bytes as replies are never a reading: nothing is shown or written, the caption
    // says what came, and nothing breaks.
    void garbageReplies()
    {
        QVERIFY(openRig({QStringLiteral("--garbage")}, 50, 1000));
        Rig::click(window().Command2);
        QVERIFY(thermometer().waitForQueries(7, 20000));
        QTRY_VERIFY2(caption().contains(QStringLiteral(" answered ")), qPrintable(caption()));
        QCOMPARE(samples().count(), 0);
        QVERIFY(!QFile::exists(m_rig->weatherFile()));
    }

    // A thermometer that never stops sending: the command never goes into the talking line and
    // the caption says the line is busy, memory stays bounded, the window answers, and once
    // the flood ends readings go on.
    void floodOfBytes()
    {
        QVERIFY(openRig({QStringLiteral("--flood")}));
        [[maybe_unused]] const qint64 before = residentKiB();
        Rig::click(window().Command2);
        QTRY_VERIFY_WITH_TIMEOUT(caption().contains(QStringLiteral("busy")), 10000);
        const int asked = thermometer().queries();
        // Every byte of the flood is read and let go; AddressSanitizer holds freed memory back
        // on purpose, so under it resident memory says nothing about the program.
#ifndef __SANITIZE_ADDRESS__
        QVERIFY2(residentKiB() - before < 8 * 1024,
                 qPrintable(QStringLiteral("grew %1 KiB").arg(residentKiB() - before)));
#endif
        QVERIFY(window().serialPort().waitingBytes() <= 1024);
        Rig::click(window().Command3);
        QCOMPARE(caption(), QStringLiteral("Stopped"));
        QCOMPARE(thermometer().queries(), asked);

        QVERIFY(thermometer().setMode(SimulatedThermometer::Mode::Normal));
        samples().clear();
        Rig::click(window().Command2);
        QVERIFY(samples().wait(5000));
        QVERIFY2(kTemperatureCaption.match(caption()).hasMatch(), qPrintable(caption()));
    }

    // A thermometer slower than the wait: the tick gives up and says so, and sampling
    // recovers by itself once the thermometer is quick again.
    void slowThermometer()
    {
        QVERIFY(openRig({QStringLiteral("--delay"), QStringLiteral("450")}, 100, 300));
        QList<QString> captions;
        connect(&window(), &QWidget::windowTitleChanged, this,
                [&](const QString& text) { captions << text; });
        Rig::click(window().Command2);
        QTRY_VERIFY_WITH_TIMEOUT(
            captions.contains(QStringLiteral("The thermometer did not answer on ") + com1()), 3000);
        QVERIFY(thermometer().setDelay(0));
        samples().clear();
        QTRY_VERIFY_WITH_TIMEOUT(samples().count() >= 2, 3000);
        QVERIFY2(kTemperatureCaption.match(caption()).hasMatch(), qPrintable(caption()));
    }

    // A thermometer that answers twice with fresh readings: every tick still shows a whole
    // temperature and the file a whole weather field.
    void answeringTwice()
    {
        QVERIFY(openRig(kAnswersTwice, 60, 300));
        Rig::click(window().Command2);
        QTRY_VERIFY_WITH_TIMEOUT(samples().count() >= 8, 5000);
        QVERIFY2(kTemperatureCaption.match(caption()).hasMatch(), qPrintable(caption()));
        const QList<QByteArray> lines = m_rig->fileContents().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{3}/\\d{3}g\\d{3}t[-\\d]\\d\\d\r$"))
                     .match(QString::fromLatin1(lines[1]))
                     .hasMatch(),
                 lines[1].constData());
    }

    // Unplugged in the middle of an exchange and plugged in again: the caption says so at
    // once, and sampling resumes by itself, with no restart and no port change.
    void unpluggedMidExchangeAndBack()
    {
        QVERIFY(openRig({QStringLiteral("--delay"), QStringLiteral("250")}, 100, 1000));
        Rig::click(window().Command2);
        QVERIFY(thermometer().waitForQueries(1));
        QVERIFY(window().session().busy());
        QVERIFY(thermometer().unplug());
        QTRY_VERIFY_WITH_TIMEOUT(caption().startsWith(com1() + QStringLiteral(" was lost: ")),
                                 3000);
        QVERIFY(!window().session().busy());
        QTRY_VERIFY_WITH_TIMEOUT(caption().startsWith(com1() + QStringLiteral(" is not open: ")),
                                 3000);
        QCOMPARE(samples().count(), 0);

        QVERIFY(thermometer().plug());
        QVERIFY(samples().wait(5000));
        QVERIFY2(kTemperatureCaption.match(caption()).hasMatch(), qPrintable(caption()));
        QCOMPARE(window().serialPort().devicePath(), thermometer().devicePath());
    }

    // The device removed while the line is idle shows at once, named as the device that was
    // open even when the port now names another; it works again once back.
    void deviceRemovedWhileIdle()
    {
        QVERIFY(openRig(kAnswersTwice));
        const QString opened = com1();
        m_rig->profile().linkCom(1, m_rig->profile().root() + QStringLiteral("/renumbered"));
        QVERIFY(thermometer().unplug());
        QTRY_VERIFY_WITH_TIMEOUT(caption().startsWith(opened + QStringLiteral(" was lost: ")),
                                 3000);
        QVERIFY(!window().serialPort().isOpen());
        QVERIFY(thermometer().plug());
        QVERIFY(oneShot());
        QVERIFY2(caption().startsWith(QStringLiteral("One shot ")), qPrintable(caption()));
    }

    // Another program holds the port: the caption names it; once the other program lets go,
    // the next reading opens the port by itself.
    void portHeldByAnotherProgram()
    {
        m_rig = std::make_unique<Rig>();
        SimulatedThermometer* thermometerPtr = nullptr;
        {
            QVERIFY(m_rig->open(kAnswersTwice));
            thermometerPtr = &thermometer();
        }
        window().close();
        m_rig->closeWindow();

        QProcess other;
        other.setProcessEnvironment(m_rig->profile().programEnvironment());
        other.start(QStringLiteral(UIQ_PROGRAM_PATH), {});
        QByteArray output;
        QVERIFY(QTest::qWaitFor(
            [&] {
                output += other.readAllStandardOutput();
                return output.contains("caption Stopped\n");
            },
            10000));

        m_rig->openWindowOnly(50, 300);
        QCOMPARE(caption(), com1() + QStringLiteral(" cannot be opened: it is in use by another "
                                                    "program, or access is denied"));
        Rig::click(window().Command1);
        QTRY_COMPARE(caption(), com1() + QStringLiteral(" is not open: it is in use by another "
                                                        "program, or access is denied"));

        other.terminate();
        QVERIFY(other.waitForFinished(10000));
        QVERIFY(oneShot());
        QVERIFY2(caption().startsWith(QStringLiteral("One shot ")), qPrintable(caption()));
        QCOMPARE(window().serialPort().devicePath(), thermometerPtr->devicePath());
    }

    // A full disk and a read-only folder: the old file stays whole, the caption says why (a
    // full disk in the Windows program's words), and the first write that succeeds again clears
    // the message.
    void diskFullAndReadOnly()
    {
        SmallDisk disk;
        if (!disk.mounted())
            QSKIP(qPrintable(QStringLiteral("no small filesystem can be mounted here: ") +
                             disk.why()));
        QVERIFY(openRig(kAnswersTwice));
        const QString path = disk.path() + QStringLiteral("/WXprs.txt");
        typeInto(window().WXfile, path);
        QVERIFY(oneShot());
        const QByteArray first = QByteArray("Mar 05 2003 07:04\r\n");
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray old = written.readAll();
        written.close();
        QVERIFY(old.startsWith(first));

        disk.fill();
        QStorageInfo storage(disk.path());
        QCOMPARE(storage.bytesAvailable(), qint64(0));
        m_rig->clock().set(QDateTime(QDate(2003, 3, 5), QTime(8, 0)));
        QVERIFY(oneShot());
        QVERIFY2(caption().endsWith(QStringLiteral("cannot write ") + path +
                                    QStringLiteral(": the disk is full")),
                 qPrintable(caption()));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), old);
        written.close();
        QStringList left = QDir(disk.path()).entryList(QDir::Files);
        left.sort();
        QCOMPARE(left, (QStringList{QStringLiteral("WXprs.txt"), QStringLiteral("filler")}));

        disk.unfill();
        QVERIFY(oneShot());
        QVERIFY2(!caption().contains(QStringLiteral("cannot write")), qPrintable(caption()));

        QVERIFY(disk.remountReadOnly());
        m_rig->clock().set(QDateTime(QDate(2003, 3, 5), QTime(9, 0)));
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray beforeReadOnly = written.readAll();
        written.close();
        QVERIFY(oneShot());
        QVERIFY2(caption().contains(QStringLiteral("cannot write ") + path + QStringLiteral(": ")),
                 qPrintable(caption()));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), beforeReadOnly);
    }

    // A reader holding the file open while it is replaced keeps reading the whole old text;
    // the next reader gets the whole new one.
    void readerHoldingTheFileOpen()
    {
        QVERIFY(openRig(kAnswersTwice));
        QVERIFY(oneShot());
        QFile held(m_rig->weatherFile());
        QVERIFY(held.open(QIODevice::ReadOnly));
        m_rig->clock().set(QDateTime(QDate(2003, 3, 5), QTime(7, 5)));
        QVERIFY(oneShot());
        QVERIFY(caption().startsWith(QStringLiteral("One shot ")));
        QVERIFY(held.readAll().startsWith("Mar 05 2003 07:04\r\n"));
        QVERIFY(m_rig->fileContents().startsWith("Mar 05 2003 07:05\r\n"));
    }

    // Settings that cannot be kept: the window starts, says so, and works on.
    void settingsCannotBeSaved()
    {
        m_rig = std::make_unique<Rig>();
        QDir().mkpath(m_rig->profile().configHome());
        QFile blocker(m_rig->profile().configHome() + QStringLiteral("/Vostrel"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(m_rig->open(kAnswersTwice));
        QVERIFY2(
            caption().startsWith(QStringLiteral("Stopped \u2013 settings cannot be saved in ")),
            qPrintable(caption()));
        QCOMPARE(window().WXfile->text(), QStringLiteral("C:\\UiView\\WXprs.txt"));
        QVERIFY(oneShot());
        QVERIFY(m_rig->fileContents().startsWith("Mar 05 2003 07:04\r\n"));
        typeInto(window().WXfile, QStringLiteral("C:\\UiView\\Other.txt"));
        QVERIFY(caption().startsWith(QStringLiteral("The path cannot be saved in ")));
    }

    void corruptSettings_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("binary") << withNul("\x00\xff\x01[[[=\n\x00==\xfe");
        QTest::newRow("unterminated group") << QByteArray("[Config\nCPort=1\n");
        QTest::newRow("unbalanced quotes")
            << QByteArray("[Config]\nWXPath=\"C:\\\\x\nCPort=@Variant(\n");
        QTest::newRow("huge value") << "[Config]\nWXPath=" + QByteArray(200000, 'x') + "\n";
    }

    // A damaged settings file: the window still starts on usable values.
    void corruptSettings()
    {
        QFETCH(QByteArray, contents);
        m_rig = std::make_unique<Rig>();
        m_rig->profile().writeSettingsText(contents);
        QVERIFY(m_rig->open(kAnswersTwice));
        QVERIFY(window().serialPort().isOpen());
        QVERIFY(oneShot());
        QVERIFY(caption().startsWith(QStringLiteral("One shot ")));
    }

    // Start, Stop, OneShot, port changes and path edits in a random order while readings are
    // under way: nothing crashes or hangs, and at the end everything still works.
    void clicksInEveryOrder()
    {
        SimulatedThermometer second(
            {QStringLiteral("--twice"), QStringLiteral("--twice-gap"), QStringLiteral("20")});
        QVERIFY(openRig({QStringLiteral("--twice"), QStringLiteral("--twice-gap"),
                         QStringLiteral("20"), QStringLiteral("--delay"), QStringLiteral("30")},
                        25, 300));
        QVERIFY(second.start());
        m_rig->profile().linkCom(2, second.devicePath());
        // The arrows reach COM0 to COM5; the ports without a thermometer lead nowhere.
        for (int com = 3; com <= 5; ++com)
            m_rig->profile().linkCom(com, m_rig->profile().root() + QStringLiteral("/none"));

        QRandomGenerator random(20261208);
        for (int step = 0; step < 150; ++step) {
            switch (random.bounded(6)) {
            case 0:
                Rig::click(window().Command2);
                break;
            case 1:
                Rig::click(window().Command3);
                break;
            case 2:
                Rig::click(window().Command1);
                break;
            case 3:
                typeInto(window().CPort,
                         random.bounded(2) ? QStringLiteral("2") : QStringLiteral("1"));
                break;
            case 4:
                QTest::keyClick(window().VScroll1, random.bounded(2) ? Qt::Key_Up : Qt::Key_Down);
                break;
            case 5:
                typeInto(window().WXfile, QStringLiteral("C:\\UiView\\WXprs.txt"));
                break;
            }
            QTest::qWait(int(random.bounded(40)));
        }
        Rig::click(window().Command3);
        typeInto(window().CPort, QStringLiteral("1"));
        QTRY_VERIFY_WITH_TIMEOUT(!window().session().busy(), 3000);
        m_rig->clock().set(QDateTime(QDate(2003, 3, 5), QTime(10, 0)));
        QVERIFY(oneShot());
        QVERIFY2(caption().startsWith(QStringLiteral("One shot ")), qPrintable(caption()));
        QVERIFY(m_rig->fileContents().startsWith("Mar 05 2003 10:00\r\n"));
    }

    // A device the user may not open, as on a machine where the user is not in the dialout
    // group: the caption names the device and says what to do, not only that access failed.
    void deviceRefusedToTheUser()
    {
        if (geteuid() != 0)
            QSKIP("only root can stand in for a user outside the dialout group");
        m_rig = std::make_unique<Rig>();
        SimulatedThermometer thermometer;
        QVERIFY(thermometer.start());
        const Profile& profile = m_rig->profile();
        profile.linkCom(1, thermometer.devicePath());
        const QByteArray device = QFile::encodeName(thermometer.devicePath());
        QCOMPARE(::chown(device.constData(), 0, 0), 0);
        QCOMPARE(::chmod(device.constData(), 0600), 0);
        // The profile itself stays readable to that user; only the device is closed to it.
        for (const QString& folder : {profile.root(), profile.winePrefix(),
                                      profile.winePrefix() + QStringLiteral("/dosdevices")})
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
        QCOMPARE(::seteuid(65534), 0);
        m_rig->openWindowOnly();
        const QString caption = window().windowTitle();
        QCOMPARE(::seteuid(0), 0);
        QCOMPARE(caption,
                 profile.portName(1) + QStringLiteral(" cannot be opened: access is denied; "
                                                      "you may need to be in the dialout "
                                                      "group"));
    }

    // Closing the window while the thermometer is being asked: the port is let go at once,
    // and the unanswered exchange ends quietly.
    void closingDuringAnExchange()
    {
        QVERIFY(openRig({QStringLiteral("--silent")}, 50, 300));
        Rig::click(window().Command1);
        QVERIFY(thermometer().waitForQueries(1));
        QVERIFY(window().session().busy());
        window().close();
        QVERIFY(!window().serialPort().isOpen());
        QVERIFY(!window().session().started());
        QTRY_VERIFY_WITH_TIMEOUT(!window().session().busy(), 2000);
        m_rig->closeWindow();
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
