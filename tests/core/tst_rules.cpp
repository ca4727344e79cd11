#include "core/AnswerShape.h"
#include "core/CommandLine.h"
#include "core/Escapes.h"
#include "core/ExchangeMachine.h"
#include "core/PathRules.h"
#include "core/PortChoice.h"
#include "core/ReplyFields.h"
#include "core/StatusLine.h"
#include "core/TickCounter.h"
#include "core/WeatherText.h"

#include <QTest>
#include <clocale>
#include <limits>

namespace {

// What the line says: bytes, and when they arrive in ms.
struct Piece
{
    double ms;
    QByteArray bytes;
};
using Pieces = QList<Piece>;

// A thermometer's answer: 54 characters with the weather field at 21 and the temperature at 50,
// then CR LF.
QByteArray answer(char letter, const QByteArray& temperature = "+21.3")
{
    return QByteArray(20, 'h') + QByteArray(15, letter) + QByteArray(14, 'f') + temperature +
           "\r\n";
}

// The same answer as the old line ran it, without a line end.
QByteArray unended(char letter)
{
    return answer(letter).chopped(2);
}

struct ExchangeRun
{
    core::ExchangeOutcome outcome = core::ExchangeOutcome::None;
    QByteArray reply;
    std::size_t heard = 0;
    std::size_t answerLength = 0;
    double sentMs = -1;
    double endMs = 0;
};

// Plays a thermometer into the exchange machine, waking it when it asks, until it finishes.
// `talk` arrives at its times after the request (before it, when negative: bytes that already
// wait), `answer` at its times after the command went out. With `endsLines`, the thermometer
// has already given one whole answer ending in its line end on this line.
ExchangeRun runExchange(core::ExchangeForm form, const Pieces& answer, const Pieces& talk,
                        bool endsLines)
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
    if (endsLines) {
        machine.request(core::ExchangeForm::Tick, at(-5000));
        hear(machine, ::answer('e'), at(-4950));
    }
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
    run.answerLength = step.answerLength;
    run.endMs = msOf(now);
    return run;
}

} // namespace

// The plain rules behind a sample: the exchange, cutting fields, the tick schedule, the file's
// text, which texts name a port, and which names Windows opens as devices.
class TestRules : public QObject
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
        QTest::addColumn<bool>("endsLines");
        QTest::addColumn<Pieces>("answer");
        QTest::addColumn<Pieces>("talk");
        QTest::addColumn<Outcome>("outcome");
        // The reply, or for an outcome without one how many characters came.
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("heard");
        // When the exchange must have ended, in ms after the command, and not before; and
        // when the command may go at the earliest, in ms after the request.
        QTest::addColumn<double>("endsBy");
        QTest::addColumn<double>("notBefore");
        QTest::addColumn<double>("sentFrom");

        const QByteArray ack("\x06OK\r\n");
        const QByteArray whole = answer('a');
        const QByteArray b = unended('b');
        auto row = [](const char* name, Form form, bool endsLines, const Pieces& answer,
                      const Pieces& talk, Outcome outcome, const QByteArray& reply, int heard,
                      double endsBy, double notBefore, double sentFrom = 0) {
            QTest::newRow(name) << form << endsLines << answer << talk << outcome << reply << heard
                                << endsBy << notBefore << sentFrom;
        };
        row("tick, a whole answer ends at its line end", Form::Tick, false, {{60, whole}}, {},
            Outcome::Replied, unended('a'), 0, 60, 0);
        row("tick, an answer with no line end at all, after a long quiet", Form::Tick, false,
            {{60, unended('a')}}, {}, Outcome::Replied, unended('a'), 0, 370, 310);
        row("tick, 51 characters with no line end are no reading", Form::Tick, false,
            {{60, whole.left(51)}}, {}, Outcome::PartAnswer, {}, 51, 3000, 3000);
        // Once the thermometer ended an answer with its line end, a pause is only a pause.
        for (const int at : {51, 52, 53}) {
            const QByteArray name = "tick, a pause of 400 ms after character " +
                                    QByteArray::number(at) + " of a thermometer that ends lines";
            QTest::newRow(name.constData())
                << Form::Tick << true << Pieces{{55, whole.left(at)}, {455, whole.mid(at)}}
                << Pieces{} << Outcome::Replied << unended('a') << 0 << 455.0 << 455.0 << 0.0;
        }
        row("tick, packets 350 ms apart", Form::Tick, true,
            {{20, whole.left(17)}, {370, whole.mid(17, 26)}, {720, whole.mid(43)}}, {},
            Outcome::Replied, unended('a'), 0, 720, 720);
        row("tick, acknowledged first", Form::Tick, false, {{5, ack}, {105, answer('b')}}, {},
            Outcome::Replied, b, 0, 105, 105);
        // One byte before the answer moves the temperature's point out of its place.
        row("tick, a NUL before the answer", Form::Tick, true, {{60, QByteArray(1, '\0') + whole}},
            {}, Outcome::Misshapen, {}, 55, 60, 60);
        row("tick, an echo of the command", Form::Tick, false, {{60, "\x1bM" + whole}}, {},
            Outcome::Misshapen, {}, 56, 60, 60);
        // ...and one after the point makes the number run on past its field.
        QByteArray intoTheTemperature = whole;
        intoTheTemperature.insert(53, '7');
        row("tick, a stray digit after the temperature's point", Form::Tick, true,
            {{60, intoTheTemperature}}, {}, Outcome::Misshapen, {}, 55, 60, 60);
        row("tick, an acknowledgement ended by CR alone", Form::Tick, false,
            {{60, "\x06OK\r" + whole}}, {}, Outcome::Misshapen, {}, 58, 60, 60);
        row("tick, a line of 4094 digits", Form::Tick, false,
            {{60, QByteArray(4094, '9') + "\r\n"}}, {}, Outcome::Misshapen, {}, 4094, 60, 60);
        row("tick, 30 characters and no more", Form::Tick, false, {{30, whole.left(30)}}, {},
            Outcome::PartAnswer, {}, 30, 3000, 3000);
        row("tick, over 4096 characters without a line end", Form::Tick, false,
            {{10, QByteArray(4000, 'p')}, {20, QByteArray(200, 'p')}}, {}, Outcome::TooLong, {}, 0,
            20, 20);
        // An earlier answer, late, is on the line when the command is due: it is heard out and
        // the command goes 20 ms after its line end.
        row("tick, a late answer on the line when the command is due", Form::Tick, false,
            {{60, answer('b')}}, {{-10, whole.left(20)}, {15, whole.mid(20)}}, Outcome::Replied, b,
            0, 60, 60, 35);
        // ...and when it pauses inside its line, its line end is waited for, not a quiet.
        row("tick, a late answer pausing inside its line", Form::Tick, true, {{60, answer('b')}},
            {{-10, whole.left(1)}, {390, whole.mid(1)}}, Outcome::Replied, b, 0, 60, 60, 410);
        Pieces chatter;
        for (int ms = -5; ms < 3200; ms += 10)
            chatter.append({double(ms), QByteArray("xy\r\n")});
        row("tick, a line that never falls quiet", Form::Tick, false, {}, chatter,
            Outcome::LineBusy, {}, 0, 3000, 3000);
        row("one-shot, acknowledged", Form::OneShot, false, {{5, ack}, {105, answer('b')}}, {},
            Outcome::Replied, b, 0, 105, 105);
        row("one-shot, acknowledged, then a reply one character short of the temperature",
            Form::OneShot, false, {{5, ack}, {65, whole.left(53)}}, {}, Outcome::PartAnswer, {}, 53,
            3000, 3000);
        row("one-shot, acknowledged, then every field and no line end", Form::OneShot, false,
            {{5, ack}, {65, whole.left(54)}}, {}, Outcome::Replied, unended('a'), 0, 370, 360);
        row("one-shot, one answer only, then a wait for a second", Form::OneShot, false,
            {{60, whole}}, {}, Outcome::Replied, unended('a'), 0, 310, 310);
        row("one-shot, two answers", Form::OneShot, false, {{60, whole}, {160, answer('b')}}, {},
            Outcome::Replied, b, 0, 160, 160);
        row("one-shot, a stray byte after a whole answer", Form::OneShot, true,
            {{60, whole}, {100, "\x7f"}}, {}, Outcome::Replied, unended('a'), 0, 350, 350);
        row("one-shot, an acknowledgement ended by CR alone", Form::OneShot, false,
            {{60, "\x06OK\r" + whole}}, {}, Outcome::Misshapen, {}, 58, 310, 310);
        row("one-shot, silent", Form::OneShot, false, {}, {}, Outcome::NoAnswer, {}, 0, 3000, 3000);
    }

    // Each form takes the whole answer it should, as soon as its line has ended and no sooner;
    // a line that did not end, went on too long, never fell quiet or is out of the answer's
    // shape is no reply; and the command never goes into a line that talks.
    void exchange()
    {
        QFETCH(core::ExchangeForm, form);
        QFETCH(bool, endsLines);
        QFETCH(Pieces, answer);
        QFETCH(Pieces, talk);
        QFETCH(core::ExchangeOutcome, outcome);
        QFETCH(QByteArray, reply);
        QFETCH(int, heard);
        QFETCH(double, endsBy);
        QFETCH(double, notBefore);
        QFETCH(double, sentFrom);

        const ExchangeRun run = runExchange(form, answer, talk, endsLines);
        QCOMPARE(run.outcome, outcome);
        QCOMPARE(run.reply, reply);
        QCOMPARE(run.heard, std::size_t(heard));
        const double sent = run.sentMs < 0 ? 0 : run.sentMs;
        const QString timing =
            QStringLiteral("sent at %1 ms, ended at %2 ms").arg(sent).arg(run.endMs);
        QVERIFY2(run.endMs - sent <= endsBy + 0.01, qPrintable(timing));
        QVERIFY2(run.endMs - sent >= notBefore - 0.01, qPrintable(timing));
        QVERIFY2(sent >= sentFrom - 0.01, qPrintable(timing));
        // A line that ended one whole answer is known by its length, for the captions.
        QCOMPARE(run.answerLength, std::size_t(endsLines || !run.reply.isEmpty() ? 54 : 0));
    }

    // Bytes the system already holds when the deadline comes came in time: the exchange waits
    // the moment it takes to hand them over, rather than end without them.
    void bytesWaitingAtTheDeadline()
    {
        using namespace std::chrono;
        const core::ExchangeTime start = core::ExchangeTime{} + hours(1);
        const QByteArray whole = answer('a');
        core::ExchangeMachine machine;
        QVERIFY(machine.request(core::ExchangeForm::Tick, start).send);
        machine.bytesArrived(whole.left(28).toStdString(), start + milliseconds(2900));
        const core::ExchangeTime deadline = start + core::kReplyDeadline;
        machine.bytesWaiting(deadline);
        const core::ExchangeStep atDeadline = machine.timeReached(deadline);
        QCOMPARE(atDeadline.outcome, core::ExchangeOutcome::None);
        QVERIFY(atDeadline.wakeAt && *atDeadline.wakeAt <= deadline + core::kSettleGap);
        const core::ExchangeStep handed =
            machine.bytesArrived(whole.mid(28).toStdString(), deadline + milliseconds(1));
        QCOMPARE(handed.outcome, core::ExchangeOutcome::Replied);
        QCOMPARE(QByteArray::fromStdString(handed.reply), unended('a'));
    }

    void temperatures_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<bool>("temperature");
        QTest::newRow("signed") << QByteArray("+21.3") << true;
        QTest::newRow("below zero") << QByteArray("-05.2") << true;
        QTest::newRow("padded with a blank") << QByteArray(" +5.3") << true;
        QTest::newRow("unsigned") << QByteArray(" 21.3") << true;
        QTest::newRow("shifted by one") << QByteArray(" +20.") << false;
        QTest::newRow("shifted by two") << QByteArray("0 +20") << false;
        QTest::newRow("shifted back by one") << QByteArray("20.6\r") << false;
        QTest::newRow("digits only") << QByteArray("90123") << false;
        QTest::newRow("two points") << QByteArray("1.2.3") << false;
    }

    // A temperature is a decimal number with one point; what a shift makes of one is not.
    void temperatures()
    {
        QFETCH(QByteArray, field);
        QFETCH(bool, temperature);
        QCOMPARE(core::isTemperature(field.toStdString()), temperature);
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
        QTest::newRow("ends inside the temperature")
            << 50 << QByteArray("123456789012345") << QByteArray("0");
        QTest::newRow("ends after two characters of it")
            << 51 << QByteArray("123456789012345") << QByteArray("01");
        QTest::newRow("full fields") << 54 << QByteArray("123456789012345") << QByteArray("01234");
        QTest::newRow("longer reply")
            << 300 << QByteArray("123456789012345") << QByteArray("01234");
    }

    void fields()
    {
        QVERIFY(core::cutField("abc", std::numeric_limits<int>::min(), 5).empty());
        QFETCH(int, replyLength);
        QFETCH(QByteArray, weather);
        QFETCH(QByteArray, temperature);
        QByteArray reply;
        for (int position = 1; position <= replyLength; ++position)
            reply += char('0' + position % 10);
        QCOMPARE(QByteArray::fromStdString(core::weatherField(reply.toStdString())), weather);
        QCOMPARE(QByteArray::fromStdString(core::temperatureField(reply.toStdString())),
                 temperature);
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
        QTest::addColumn<QList<int>>("when");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("March morning")
            << QList<int>{2003, 3, 5, 7, 4} << QByteArray("ABCDEFGHIJKLMNO")
            << QByteArray("Mar 05 2003 07:04\r\nABCDEFGHIJKLMNO\r\n");
        QTest::newRow("late January") << QList<int>{2003, 1, 28, 23, 41} << QByteArray("x")
                                      << QByteArray("Jan 28 2003 23:41\r\nx\r\n");
        QTest::newRow("December, empty field") << QList<int>{2026, 12, 31, 0, 0} << QByteArray()
                                               << QByteArray("Dec 31 2026 00:00\r\n\r\n");
        QTest::newRow("high bytes and NUL")
            << QList<int>{2026, 7, 9, 12, 30} << QByteArray("\x00\x80\xff\xb0\xe9 CR\r LF\n", 13)
            << QByteArray("Jul 09 2026 12:30\r\n\x00\x80\xff\xb0\xe9 CR\r LF\n\r\n", 34);
    }

    // English months and a colon whatever the locale; the field goes through byte for byte.
    void weatherText()
    {
        QFETCH(QList<int>, when);
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, file);
        const char* previous = std::setlocale(LC_ALL, nullptr);
        const std::string restore = previous ? previous : "C";
        std::setlocale(LC_ALL, "fi_FI.UTF-8");
        const core::LocalTime at{when[0], when[1], when[2], when[3], when[4]};
        const std::string written = core::weatherFileBytes(at, field.toStdString());
        const std::string shown = core::weatherDisplayText(at, field.toStdString());
        std::setlocale(LC_ALL, restore.c_str());
        QCOMPARE(QByteArray::fromStdString(written), file);
        QCOMPARE(QByteArray::fromStdString(shown), file.chopped(2));
    }

    void drivePaths_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("drive"); // "-" when refused
        QTest::addColumn<QByteArray>("rest");
        QTest::newRow("the default") << QByteArray("C:\\UiView\\WXprs.txt") << QByteArray("c")
                                     << QByteArray("/UiView/WXprs.txt");
        QTest::newRow("\"..\" stops at the top of the drive")
            << QByteArray("d:/a/../../..\\b\\.\\c") << QByteArray("d") << QByteArray("/b/c");
        QTest::newRow("a plain path")
            << QByteArray("/home/me/wx.txt") << QByteArray() << QByteArray("/home/me/wx.txt");
        QTest::newRow("a drive without a folder")
            << QByteArray("C:wx.txt") << QByteArray("-") << QByteArray();
        QTest::newRow("a backslash without a drive")
            << QByteArray("UiView\\WXprs.txt") << QByteArray("-") << QByteArray();
        QTest::newRow("a device on a drive")
            << QByteArray("C:\\x\\..\\con.txt") << QByteArray("-") << QByteArray();
    }

    // Which drive a path names and where on it, as the Linux program finds it under Wine.
    void drivePaths()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, drive);
        QFETCH(QByteArray, rest);
        const core::Result<core::DrivePath> read = core::readDrivePath(path.toStdString());
        QCOMPARE(read.ok(), drive != "-");
        if (!read.ok())
            return;
        QCOMPARE(QByteArray::fromStdString(read.value()->drive), drive);
        QCOMPARE(QByteArray::fromStdString(read.value()->rest), rest);
    }

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

    void conversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port"); // -1: not a number, -2: out of range
        QTest::newRow("plain") << QStringLiteral("3") << 3;
        QTest::newRow("leading zero") << QStringLiteral("03") << 3;
        QTest::newRow("point zero") << QStringLiteral("3.0") << 3;
        QTest::newRow("exponent") << QStringLiteral("30e-1") << 3;
        QTest::newRow("blanks") << QStringLiteral(" \v2 ") << 2;
        QTest::newRow("minus zero") << QStringLiteral("-0") << 0;
        QTest::newRow("half") << QStringLiteral("2.5") << -1;
        QTest::newRow("tiny fraction") << QStringLiteral("3.0000000000000000001") << -1;
        QTest::newRow("fraction by exponent") << QStringLiteral("25e-1") << -1;
        QTest::newRow("trailing letter") << QStringLiteral("3x") << -1;
        QTest::newRow("dangling exponent") << QStringLiteral("4e") << -1;
        QTest::newRow("sign only") << QStringLiteral("-") << -1;
        QTest::newRow("infinity") << QStringLiteral("inf") << -1;
        QTest::newRow("group separator") << QStringLiteral("0,005") << -1;
        QTest::newRow("arabic digit") << QStringLiteral("\u0663") << -1;
        QTest::newRow("negative") << QStringLiteral("-1") << -2;
        QTest::newRow("beyond the arrows") << QStringLiteral("6") << 6;
        QTest::newRow("Wine's first USB adapter on 32 built-in ports")
            << QStringLiteral("033") << 33;
        QTest::newRow("the highest port") << QStringLiteral("256") << 256;
        QTest::newRow("past the highest port") << QStringLiteral("257") << -2;
        QTest::newRow("huge exponent") << QStringLiteral("1e999999999") << -2;
    }

    // Which texts name a port: whole numbers only, so the box, the scroll bar, the saved
    // value and the open port can never mean different ports.
    void conversions()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        const core::PortChoice choice = core::choosePort(text.toStdString());
        const auto kind = port == -1   ? core::PortChoice::Kind::NotANumber
                          : port == -2 ? core::PortChoice::Kind::OutOfRange
                                       : core::PortChoice::Kind::Port;
        QCOMPARE(choice.kind, kind);
        if (kind == core::PortChoice::Kind::Port) {
            QCOMPARE(choice.port, port);
            // Past the arrows the thumb waits at the top, where it names the highest port it can.
            QCOMPARE(core::portAt(choice.scrollValue), std::min(port, core::kScrollMaximum));
            QCOMPARE(choice.onArrows, port <= core::kScrollMaximum);
        }
    }

    void escapes_data()
    {
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QByteArray>("meant");
        QTest::newRow("a hand-typed path")
            << QByteArray("C:\\new\\table.txt") << QByteArray("C:\\new\\table.txt");
        QTest::newRow("as Qt wrote it") << QByteArray("C:\\\\UiView \\\"q\\\" \\x1f\\x41")
                                        << QByteArray("C:\\UiView \"q\" \x1f\\x41");
    }

    // The settings file's escapes: a path typed by hand keeps its backslashes. Wine's registry
    // and the simulator's lines, read by the same decoder their own way, are tested with them.
    void escapes()
    {
        QFETCH(QByteArray, written);
        QFETCH(QByteArray, meant);
        const core::Result<std::string> plain =
            core::unescape(written.toStdString(), core::kSettingsFileEscapes);
        QVERIFY(plain.ok());
        QCOMPARE(QByteArray::fromStdString(*plain.value()), meant);
    }

    void commandLine_data()
    {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("meaning"); // start, help, version or refused
        QTest::newRow("Linux --start")
            << false << QStringLiteral("--start") << QStringLiteral("start");
        QTest::newRow("Linux --START")
            << false << QStringLiteral("--START") << QStringLiteral("refused");
        QTest::newRow("Linux /start")
            << false << QStringLiteral("/start") << QStringLiteral("refused");
        QTest::newRow("Windows /start")
            << true << QStringLiteral("/start") << QStringLiteral("start");
        QTest::newRow("Windows /START")
            << true << QStringLiteral("/START") << QStringLiteral("start");
        QTest::newRow("Windows /Start")
            << true << QStringLiteral("/Start") << QStringLiteral("start");
        QTest::newRow("Windows --START")
            << true << QStringLiteral("--START") << QStringLiteral("start");
        QTest::newRow("Windows /VERSION")
            << true << QStringLiteral("/VERSION") << QStringLiteral("version");
        QTest::newRow("Windows /Help") << true << QStringLiteral("/Help") << QStringLiteral("help");
        QTest::newRow("Windows /starts")
            << true << QStringLiteral("/starts") << QStringLiteral("refused");
        QTest::newRow("Windows -START")
            << true << QStringLiteral("-START") << QStringLiteral("refused");
    }

    // Windows programs take their options in any case; Linux programs as they are written.
    void commandLine()
    {
        QFETCH(bool, windows);
        QFETCH(QString, argument);
        QFETCH(QString, meaning);
        const core::CommandLine line = core::readCommandLine({argument.toStdString()}, windows);
        QString read = QStringLiteral("refused");
        if (line.action == core::CommandLine::Action::Help)
            read = QStringLiteral("help");
        else if (line.action == core::CommandLine::Action::Version)
            read = QStringLiteral("version");
        else if (line.action == core::CommandLine::Action::Run && line.start)
            read = QStringLiteral("start");
        QCOMPARE(read, meaning);
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "tst_rules.moc"
