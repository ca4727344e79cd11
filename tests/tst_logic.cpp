#include "core/ExchangeMachine.h"
#include "core/PathRules.h"
#include "core/StatusLine.h"
#include "core/TickCounter.h"
#include "wine/DosDevices.h"
#include "wx/Fields.h"
#include "wx/WeatherText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

namespace {

// When each piece of an answer arrives (ms after the command), and its bytes.
using Pieces = QList<QPair<double, QByteArray>>;

// A reply line of `length` characters, CR LF included.
QByteArray line(int length, char letter)
{
    return QByteArray(length - 2, letter) + "\r\n";
}

struct ExchangeRun
{
    core::ExchangeOutcome outcome = core::ExchangeOutcome::None;
    QByteArray reply;
    double endMs = 0;
};

// Plays a thermometer's answers into the exchange machine, waking it when it asks, until it
// finishes.
ExchangeRun runExchange(core::ExchangeForm form, const Pieces& pieces)
{
    using namespace std::chrono;
    const auto at = [](double ms) {
        return core::ExchangeTime{} + duration_cast<nanoseconds>(duration<double, std::milli>(ms));
    };
    core::ExchangeMachine machine;
    core::ExchangeStep step = machine.request(form, at(0));
    core::ExchangeTime now = at(0);
    qsizetype next = 0;
    while (step.outcome == core::ExchangeOutcome::None && step.wakeAt) {
        if (next < pieces.size() && at(pieces[next].first) < *step.wakeAt) {
            now = at(pieces[next].first);
            const QByteArray& bytes = pieces[next++].second;
            step = machine.bytesArrived(std::string_view(bytes.constData(), size_t(bytes.size())),
                                        now);
        } else {
            now = *step.wakeAt;
            step = machine.timeReached(now);
        }
    }
    return {step.outcome, QByteArray::fromStdString(step.reply),
            duration<double, std::milli>(now - at(0)).count()};
}

} // namespace

// The plain rules behind a sample: the exchange, cutting fields, the tick schedule, the file's
// text, and how Windows names map onto this machine.
class TestLogic : public QObject
{
    Q_OBJECT

private slots:
    void statusLine_data()
    {
        QTest::addColumn<bool>("settingsUnsaved");
        QTest::addColumn<QString>("afterPortOpened");
        QTest::newRow("a port problem gives way once a port opens") << false << "Started";
        QTest::newRow("settings that cannot be saved keep saying so")
            << true << "The port cannot be saved in somewhere";
    }

    // Which text the caption keeps when a port opens, and that a reading replaces a message.
    void statusLine()
    {
        QFETCH(bool, settingsUnsaved);
        QFETCH(QString, afterPortOpened);
        core::StatusLine line;
        line.showState(true);
        line.showMessage("The port cannot be saved in somewhere");
        line.portOpened(true, settingsUnsaved);
        QCOMPARE(QString::fromStdString(line.caption()), afterPortOpened);
        line.showReading("+21.3\u00b0C");
        line.portOpened(true, false);
        QCOMPARE(QString::fromStdString(line.caption()), QString::fromUtf8("+21.3\u00b0C"));
    }

    void exchange_data()
    {
        using Form = core::ExchangeForm;
        using Outcome = core::ExchangeOutcome;
        QTest::addColumn<Form>("form");
        QTest::addColumn<Pieces>("pieces");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QByteArray>("reply");
        // How long after the last byte the reply may come, in ms; 0 for no limit.
        QTest::addColumn<double>("within");

        const QByteArray ack("\x06OK\r\n");
        QTest::newRow("tick, exactly 51") << Form::Sampling << Pieces{{10, line(51, 'a')}}
                                          << Outcome::Replied << line(51, 'a') << 5.0;
        QTest::newRow("tick, bytes held back inside the line")
            << Form::Sampling << Pieces{{10, QByteArray(51, 'a')}, {22, "bc\r\n"}}
            << Outcome::Replied << QByteArray(51, 'a') + "bc\r\n"
            << 5.0;
        QTest::newRow("tick, acknowledged first")
            << Form::Sampling << Pieces{{5, ack}, {105, line(56, 'b')}} << Outcome::Replied
            << line(56, 'b') << 5.0;
        QTest::newRow("tick, 50 only") << Form::Sampling << Pieces{{10, line(50, 'a')}}
                                       << Outcome::TimedOut << QByteArray() << 0.0;
        QTest::newRow("one-shot, acknowledged, exactly 50")
            << Form::OneShot << Pieces{{5, ack}, {105, line(50, 'b')}} << Outcome::Replied
            << line(50, 'b') << 5.0;
        QTest::newRow("one-shot, one answer only") << Form::OneShot << Pieces{{10, line(56, 'a')}}
                                                   << Outcome::Replied << line(56, 'a') << 1000.0;
        QTest::newRow("one-shot, reply held back inside its line")
            << Form::OneShot << Pieces{{10, QByteArray(30, 'a')}, {45, line(26, 'a')}}
            << Outcome::Replied << line(56, 'a') << 1000.0;
        QTest::newRow("one-shot, two answers")
            << Form::OneShot << Pieces{{10, line(56, 'a')}, {110, line(56, 'b')}}
            << Outcome::Replied << line(56, 'b') << 5.0;
        QTest::newRow("one-shot, silent")
            << Form::OneShot << Pieces{} << Outcome::TimedOut << QByteArray() << 0.0;
    }

    // Each form takes the whole reply it should, soon after the line falls quiet, and no more.
    void exchange()
    {
        QFETCH(core::ExchangeForm, form);
        QFETCH(Pieces, pieces);
        QFETCH(core::ExchangeOutcome, outcome);
        QFETCH(QByteArray, reply);
        QFETCH(double, within);

        const ExchangeRun run = runExchange(form, pieces);
        QCOMPARE(run.outcome, outcome);
        QCOMPARE(run.reply, reply);
        if (outcome == core::ExchangeOutcome::TimedOut)
            QVERIFY2(run.endMs >= 3000 && run.endMs < 3100, qPrintable(QString::number(run.endMs)));
        if (within > 0)
            QVERIFY2(run.endMs <= pieces.last().first + within,
                     qPrintable(QString::number(run.endMs)));
    }

    void fields_data()
    {
        QTest::addColumn<int>("replyLength");
        QTest::addColumn<QByteArray>("weather");
        QTest::addColumn<QByteArray>("temperature");
        // Reply characters are '0'+position%10 at 1-based positions, so each field is visible.
        QTest::newRow("empty") << 0 << QByteArray() << QByteArray();
        QTest::newRow("ends before weather") << 20 << QByteArray() << QByteArray();
        QTest::newRow("one weather character") << 21 << QByteArray("1") << QByteArray();
        QTest::newRow("weather cut short") << 34 << QByteArray("12345678901234") << QByteArray();
        QTest::newRow("ends before temperature")
            << 49 << QByteArray("123456789012345") << QByteArray();
        QTest::newRow("one-shot minimum, 50")
            << 50 << QByteArray("123456789012345") << QByteArray("0");
        QTest::newRow("sampling minimum, 51")
            << 51 << QByteArray("123456789012345") << QByteArray("01");
        QTest::newRow("full fields") << 54 << QByteArray("123456789012345") << QByteArray("01234");
        QTest::newRow("longer reply")
            << 300 << QByteArray("123456789012345") << QByteArray("01234");
    }

    void fields()
    {
        QVERIFY(Fields::cut("abc", std::numeric_limits<int>::min(), 5).isEmpty());
        QFETCH(int, replyLength);
        QFETCH(QByteArray, weather);
        QFETCH(QByteArray, temperature);
        QByteArray reply;
        for (int position = 1; position <= replyLength; ++position)
            reply += char('0' + position % 10);
        QCOMPARE(Fields::weather(reply), weather);
        QCOMPARE(Fields::temperature(reply), temperature);
    }

    // Written on ticks 7, 14, 21: the test comes before the step.
    void tickSchedule()
    {
        core::TickCounter counter;
        QList<int> writingTicks;
        for (int tick = 1; tick <= 21; ++tick) {
            if (counter.step())
                writingTicks << tick;
        }
        QCOMPARE(writingTicks, (QList<int>{7, 14, 21}));
        QCOMPARE(counter.value(), std::int16_t(0));
        counter.step();
        QCOMPARE(counter.value(), std::int16_t(10));
    }

    void weatherText_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("March morning")
            << QDateTime(QDate(2003, 3, 5), QTime(7, 4)) << QByteArray("ABCDEFGHIJKLMNO")
            << QByteArray("Mar 05 2003 07:04\r\nABCDEFGHIJKLMNO\r\n");
        QTest::newRow("late January")
            << QDateTime(QDate(2003, 1, 28), QTime(23, 41, 59)) << QByteArray("x")
            << QByteArray("Jan 28 2003 23:41\r\nx\r\n");
        QTest::newRow("December, empty field")
            << QDateTime(QDate(2026, 12, 31), QTime(0, 0)) << QByteArray()
            << QByteArray("Dec 31 2026 00:00\r\n\r\n");
        QTest::newRow("high bytes and NUL")
            << QDateTime(QDate(2026, 7, 9), QTime(12, 30))
            << QByteArray("\x00\x80\xff\xb0\xe9 CR\r LF\n", 13)
            << QByteArray("Jul 09 2026 12:30\r\n\x00\x80\xff\xb0\xe9 CR\r LF\n\r\n", 34);
    }

    // English months and a colon whatever the locale; the field goes through byte for byte.
    void weatherText()
    {
        QFETCH(QDateTime, when);
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, file);
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland));
        const QByteArray written = WeatherText::file(when, field);
        const QString shown = WeatherText::display(when, field);
        QLocale::setDefault(previous);
        QCOMPARE(written, file);
        QCOMPARE(shown, QString::fromLatin1(file.chopped(2)));
    }

    void hostPaths()
    {
        QTemporaryDir prefix;
        const DosDevices dosDevices(prefix.path());
        QDir().mkpath(prefix.path() + QStringLiteral("/drive_c/UiView"));
        QDir().mkpath(prefix.path() + QStringLiteral("/dosdevices"));
        QFile::link(QStringLiteral("../drive_c"), prefix.path() + QStringLiteral("/dosdevices/c:"));
        const QString driveC = prefix.path() + QStringLiteral("/dosdevices/c:");

        QCOMPARE(dosDevices.hostPath(QStringLiteral("C:\\UiView\\WXprs.txt")).value(),
                 driveC + QStringLiteral("/UiView/WXprs.txt"));
        QCOMPARE(dosDevices.hostPath(QStringLiteral("c:/UiView/WXprs.txt")).value(),
                 driveC + QStringLiteral("/UiView/WXprs.txt"));
        QCOMPARE(dosDevices.hostPath(QStringLiteral("/srv/wx.txt")).value(),
                 QStringLiteral("/srv/wx.txt"));
        QCOMPARE(dosDevices.hostPath(QStringLiteral("C:\\..\\..\\UiView\\.\\WXprs.txt")).value(),
                 driveC + QStringLiteral("/UiView/WXprs.txt"));
        // Four dots are a name, not a climb out of the drive.
        QCOMPARE(dosDevices.hostPath(QStringLiteral("C:\\....")).value(),
                 driveC + QStringLiteral("/...."));
        // A lone surrogate (from an escape in the settings file) must not smuggle a backslash.
        const QString loneSurrogate =
            QStringLiteral("wx\\file") + QChar(0xd800) + QStringLiteral(".txt");
        QVERIFY(!dosDevices.hostPath(loneSurrogate).ok());

        for (const char* refused :
             {"Q:\\UiView\\WXprs.txt", "UiView\\WXprs.txt", "C:WXprs.txt", "", "   "}) {
            const Result<QString> host = dosDevices.hostPath(QLatin1String(refused));
            QVERIFY2(!host.ok(), refused);
            QVERIFY2(!host.reason().isEmpty(), refused);
        }
        const QString error = dosDevices.hostPath(QStringLiteral("Q:\\x.txt")).reason();
        QVERIFY2(error.contains(QStringLiteral("Q:")), qPrintable(error));
    }

    // Names that Windows opens as devices, and names that only look like them: a file called
    // COM10 or CONSOLE.txt is an ordinary file and must not be refused.
    void windowsDeviceNames_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("device");
        QTest::newRow("NUL") << QByteArray("C:\\UiView\\NUL") << true;
        QTest::newRow("lower case with extension") << QByteArray("C:\\UiView\\con.txt") << true;
        QTest::newRow("two extensions") << QByteArray("c:/wx/Aux.tar.gz") << true;
        QTest::newRow("trailing spaces before the extension")
            << QByteArray("C:\\UiView\\prn  .txt") << true;
        QTest::newRow("COM9") << QByteArray("C:\\COM9") << true;
        QTest::newRow("LPT1 after the drive alone") << QByteArray("C:lpt1") << true;
        QTest::newRow("device path") << QByteArray("\\\\.\\COM3") << true;
        QTest::newRow("long-path prefix") << QByteArray("\\\\?\\C:\\UiView\\WXprs.txt") << true;
        QTest::newRow("COM10") << QByteArray("C:\\UiView\\COM10") << false;
        QTest::newRow("COM0") << QByteArray("C:\\UiView\\COM0.txt") << false;
        QTest::newRow("CONSOLE") << QByteArray("C:\\UiView\\CONSOLE.txt") << false;
        QTest::newRow("device name as a folder") << QByteArray("C:\\nul\\WXprs.txt") << false;
        QTest::newRow("ordinary file") << QByteArray("C:\\UiView\\WXprs.txt") << false;
    }

    void windowsDeviceNames()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, device);
        const core::Result<core::Done> checked =
            core::refuseWindowsDevices(std::string_view(path.constData(), size_t(path.size())));
        QCOMPARE(!checked.ok(), device);
    }

    void serialDevices()
    {
        QTemporaryDir prefix;
        const DosDevices dosDevices(prefix.path());
        QDir().mkpath(prefix.path() + QStringLiteral("/dosdevices"));
        QFile::link(QStringLiteral("/dev/ttyUSB7"),
                    prefix.path() + QStringLiteral("/dosdevices/com3"));

        QCOMPARE(dosDevices.serialDevice(3).value(), QStringLiteral("/dev/ttyUSB7"));
        QCOMPARE(dosDevices.serialDevice(1).value(), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(dosDevices.serialDevice(5).value(), QStringLiteral("/dev/ttyS4"));

        // A device named in Wine's registry wins over the link, as it does when Wine rebuilds
        // its links; names are matched in any case and values lose their escapes.
        QFile registry(prefix.path() + QStringLiteral("/system.reg"));
        QVERIFY(registry.open(QIODevice::WriteOnly));
        registry.write(
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
            "[Software\\\\Wine\\\\Drives] 1700000000\n\"COM4\"=\"/dev/wrong\"\n\n"
            "[Software\\\\Wine\\\\Ports] 1700000001\n#time=1da2b3c4d5e6f70\n"
            "\"com3\"=\"/dev/serial/by-id/usb-\\\"Ther\\\\mo\\\"-port0\"\n"
            "\"COM5\"=dword:00000001\n"
            "\"COM6\"=\"/dev/ttyACM\\x00e9\"\n\n"
            "[Software\\\\Wine\\\\Ports\\\\Other] 1700000002\n\"COM4\"=\"/dev/wrong\"\n");
        registry.close();
        QCOMPARE(dosDevices.serialDevice(3).value(),
                 QStringLiteral("/dev/serial/by-id/usb-\"Ther\\mo\"-port0"));
        QCOMPARE(dosDevices.serialDevice(6).value(), QStringLiteral("/dev/ttyACM\u00e9"));
        QCOMPARE(dosDevices.serialDevice(4).value(), QStringLiteral("/dev/ttyS3"));
        QCOMPARE(dosDevices.serialDevice(5).value(), QStringLiteral("/dev/ttyS4"));
        QVERIFY(!dosDevices.serialDevice(0).ok());
        QCOMPARE(dosDevices.serialDevice(0).reason(), QStringLiteral("there is no COM0"));
        QVERIFY(!dosDevices.serialDevice(-2).ok());
    }
};

QTEST_GUILESS_MAIN(TestLogic)
#include "tst_logic.moc"
