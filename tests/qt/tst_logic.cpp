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

// What the line says: bytes, and when they arrive in ms.
struct Piece
{
    double ms;
    QByteArray bytes;
};
using Pieces = QList<Piece>;

// A reply line of `length` characters, CR LF included.
QByteArray line(int length, char letter)
{
    return QByteArray(length - 2, letter) + "\r\n";
}

struct ExchangeRun
{
    core::ExchangeOutcome outcome = core::ExchangeOutcome::None;
    QByteArray reply;
    std::size_t heard = 0;
    double sentMs = -1;
    double endMs = 0;
};

// Plays a thermometer into the exchange machine, waking it when it asks, until it finishes.
// `talk` arrives at its times after the request (before it, when negative: bytes that already
// wait), `answer` at its times after the command went out.
ExchangeRun runExchange(core::ExchangeForm form, const Pieces& answer, const Pieces& talk = {})
{
    using namespace std::chrono;
    const auto at = [](double ms) {
        return core::ExchangeTime{} + seconds(10) +
               duration_cast<nanoseconds>(duration<double, std::milli>(ms));
    };
    const auto msOf = [&](core::ExchangeTime time) {
        return duration<double, std::milli>(time - at(0)).count();
    };
    const auto hear = [](core::ExchangeMachine& machine, const QByteArray& bytes,
                         core::ExchangeTime when) {
        return machine.bytesArrived(std::string_view(bytes.constData(), size_t(bytes.size())),
                                    when);
    };
    core::ExchangeMachine machine;
    Pieces pending = talk;
    while (!pending.isEmpty() && pending.first().ms < 0) {
        hear(machine, pending.first().bytes, at(pending.first().ms));
        pending.removeFirst();
    }
    ExchangeRun run;
    core::ExchangeStep step = machine.request(form, at(0));
    core::ExchangeTime now = at(0);
    while (step.outcome == core::ExchangeOutcome::None && step.wakeAt) {
        if (step.send) {
            run.sentMs = msOf(now);
            for (const Piece& piece : answer)
                pending.append({piece.ms + run.sentMs, piece.bytes});
            std::stable_sort(pending.begin(), pending.end(),
                             [](const Piece& a, const Piece& b) { return a.ms < b.ms; });
        }
        if (!pending.isEmpty() && at(pending.first().ms) < *step.wakeAt) {
            now = at(pending.first().ms);
            step = hear(machine, pending.first().bytes, now);
            pending.removeFirst();
        } else {
            now = *step.wakeAt;
            step = machine.timeReached(now);
        }
    }
    run.outcome = step.outcome;
    run.reply = QByteArray::fromStdString(step.reply);
    run.heard = step.heard;
    run.endMs = msOf(now);
    return run;
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
        QTest::addColumn<Pieces>("answer");
        QTest::addColumn<Pieces>("talk");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QByteArray>("reply");
        // When the exchange must have ended, in ms after the command, and not before.
        QTest::addColumn<double>("endsBy");
        QTest::addColumn<double>("notBefore");

        const QByteArray ack("\x06OK\r\n");
        const QByteArray whole = line(56, 'a');
        QTest::newRow("tick, a whole line ends at its line end")
            << Form::Sampling << Pieces{{60, whole}} << Pieces{} << Outcome::Replied << whole
            << 60.0 << 0.0;
        QTest::newRow("tick, exactly 51 and no line end, after a long quiet")
            << Form::Sampling << Pieces{{60, QByteArray(51, 'a')}} << Pieces{} << Outcome::Replied
            << QByteArray(51, 'a') << 370.0 << 310.0;
        QTest::newRow("tick, a pause after 52 characters")
            << Form::Sampling << Pieces{{55, whole.left(52)}, {255, whole.mid(52)}} << Pieces{}
            << Outcome::Replied << whole << 255.0 << 255.0;
        QTest::newRow("tick, a pause after 5 characters")
            << Form::Sampling << Pieces{{10, whole.left(5)}, {110, whole.mid(5)}} << Pieces{}
            << Outcome::Replied << whole << 110.0 << 110.0;
        QTest::newRow("tick, acknowledged first")
            << Form::Sampling << Pieces{{5, ack}, {105, line(56, 'b')}} << Pieces{}
            << Outcome::Replied << line(56, 'b') << 105.0 << 105.0;
        QTest::newRow("tick, 30 characters and no more")
            << Form::Sampling << Pieces{{30, whole.left(30)}} << Pieces{} << Outcome::PartAnswer
            << QByteArray() << 3000.0 << 3000.0;
        QTest::newRow("tick, over 4096 characters without a line end")
            << Form::Sampling << Pieces{{10, QByteArray(4000, 'p')}, {20, QByteArray(200, 'p')}}
            << Pieces{} << Outcome::TooLong << QByteArray() << 20.0 << 20.0;
        // An earlier answer, late, is on the line when the command is due: it is heard out and
        // the command goes 20 ms after its line end.
        QTest::newRow("tick, a late answer on the line when the command is due")
            << Form::Sampling << Pieces{{60, line(56, 'b')}}
            << Pieces{{-10, whole.left(20)}, {15, whole.mid(20)}} << Outcome::Replied
            << line(56, 'b') << 60.0 << 60.0;
        Pieces chatter;
        for (int ms = -5; ms < 3200; ms += 10)
            chatter.append({double(ms), QByteArray("xy\r\n")});
        QTest::newRow("tick, a line that never falls quiet")
            << Form::Sampling << Pieces{} << chatter << Outcome::LineBusy << QByteArray() << 3000.0
            << 3000.0;
        QTest::newRow("one-shot, acknowledged, exactly 50")
            << Form::OneShot << Pieces{{5, ack}, {105, line(50, 'b')}} << Pieces{}
            << Outcome::Replied << line(50, 'b') << 105.0 << 105.0;
        QTest::newRow("one-shot, one answer only, then a wait for a second")
            << Form::OneShot << Pieces{{60, whole}} << Pieces{} << Outcome::Replied << whole
            << 310.0 << 310.0;
        QTest::newRow("one-shot, two answers")
            << Form::OneShot << Pieces{{60, whole}, {160, line(56, 'b')}} << Pieces{}
            << Outcome::Replied << line(56, 'b') << 160.0 << 160.0;
        QTest::newRow("one-shot, silent") << Form::OneShot << Pieces{} << Pieces{}
                                          << Outcome::NoAnswer << QByteArray() << 3000.0 << 3000.0;
    }

    // Each form takes the whole line it should, as soon as it has ended and no sooner, and a
    // line that did not end, went on too long or never fell quiet is no reply.
    void exchange()
    {
        QFETCH(core::ExchangeForm, form);
        QFETCH(Pieces, answer);
        QFETCH(Pieces, talk);
        QFETCH(core::ExchangeOutcome, outcome);
        QFETCH(QByteArray, reply);
        QFETCH(double, endsBy);
        QFETCH(double, notBefore);

        const ExchangeRun run = runExchange(form, answer, talk);
        QCOMPARE(run.outcome, outcome);
        QCOMPARE(run.reply, reply);
        const double sent = run.sentMs < 0 ? 0 : run.sentMs;
        const QString timing =
            QStringLiteral("sent at %1 ms, ended at %2 ms").arg(sent).arg(run.endMs);
        QVERIFY2(run.endMs - sent <= endsBy + 0.01, qPrintable(timing));
        QVERIFY2(run.endMs - sent >= notBefore - 0.01, qPrintable(timing));
        if (outcome == core::ExchangeOutcome::PartAnswer)
            QCOMPARE(run.heard, std::size_t(30));
        if (!talk.isEmpty() && outcome == core::ExchangeOutcome::Replied)
            QVERIFY2(sent >= 15 + 20, qPrintable(timing));
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
