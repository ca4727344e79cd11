// The thermometer simulator seen through a real QSerialPort on its pseudo-terminal, the way
// the program meets it.

#include "SimulatedThermometer.h"
#include "WaitFor.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

const QByteArray kCommand("\x1b"
                          "M");
constexpr int kReplyLength = 56;
constexpr int kTimeoutMs = 3000;
constexpr qint64 kNanosPerSecond = 1000000000;

// Keeps embedded NULs that QByteArray(const char*) would stop at.
template <std::size_t N> QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

std::unique_ptr<QSerialPort> openPort(const QString& path)
{
    auto port = std::make_unique<QSerialPort>(path);
    port->setBaudRate(QSerialPort::Baud9600);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::TwoStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        qWarning("cannot open %s: %s", qPrintable(path), qPrintable(port->errorString()));
        return nullptr;
    }
    return port;
}

QByteArray readAtLeast(QSerialPort& port, qsizetype count, int ms = kTimeoutMs)
{
    QByteArray data = port.readAll();
    const QDeadlineTimer deadline(ms);
    while (data.size() < count && !deadline.hasExpired()) {
        if (!port.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
        data += port.readAll();
    }
    return data;
}

// When bytes came in, and how many had come in all told by then.
struct Arrival
{
    qint64 ns;
    qsizetype total;
};

QByteArray readTimed(QSerialPort& port, qsizetype count, QList<Arrival>& arrivals)
{
    QByteArray data;
    const QDeadlineTimer deadline(kTimeoutMs);
    while (data.size() < count && port.waitForReadyRead(int(deadline.remainingTime()))) {
        data += port.readAll();
        arrivals << Arrival{SimulatedThermometer::monotonicNs(), data.size()};
    }
    return data;
}

bool sendCommand(QSerialPort& port, const QByteArray& bytes = kCommand)
{
    return port.write(bytes) == bytes.size() && port.waitForBytesWritten(kTimeoutMs);
}

QByteArray exchange(QSerialPort& port, qsizetype expected = kReplyLength)
{
    if (!sendCommand(port))
        return {};
    return readAtLeast(port, expected);
}

// Waits until the line has been quiet for a while, so later reads see only new bytes.
// False when it never goes quiet.
bool drain(QSerialPort& port, int ms = kTimeoutMs)
{
    QSignalSpy arrivals(&port, &QSerialPort::readyRead);
    const QDeadlineTimer deadline(ms);
    do {
        port.readAll();
        if (deadline.hasExpired())
            return false;
    } while (arrivals.wait(300));
    port.readAll();
    return true;
}

// Characters first..last, counted from 1 as the thermometer's documentation counts them.
QByteArray field(const QByteArray& reply, int first, int last)
{
    return reply.mid(first - 1, last - first + 1);
}

// The fields a --unique reply carries for command `number`.
QByteArray numberedWeather(qint64 number)
{
    return 'W' + QByteArray::number(number).rightJustified(14, '0');
}

QByteArray numberedTemperature(qint64 number)
{
    const int tenths = int(number % 1000);
    return '+' + QByteArray::number(tenths / 10).rightJustified(2, '0') + '.' +
           QByteArray::number(tenths % 10);
}

// A whole --unique reply to command `number`: 56 printable characters ending in CR LF, its
// number at characters 21-35 and 50-54.
bool answers(const QByteArray& reply, qint64 number)
{
    if (reply.size() != kReplyLength || !reply.endsWith("\r\n"))
        return false;
    for (const char c : reply.left(kReplyLength - 2)) {
        if (c < 0x20 || c > 0x7e)
            return false;
    }
    return field(reply, 21, 35) == numberedWeather(number) &&
           field(reply, 50, 54) == numberedTemperature(number);
}

// What a "mix" event announces, checked against what came down the line for that command;
// empty when they agree. Adds the reply proper's copies to `replies`.
QString mixMismatch(qint64 command, const QList<QByteArray>& lot, const QByteArray& line,
                    int longestLateMs, int& replies)
{
    const QByteArray acknowledgement("\x06OK\r\n");
    const QByteArray kind = lot.value(0);
    const int value = lot.value(1).toInt();
    const auto within = [&](int low, int high) { return value >= low && value <= high; };
    bool fits = false;
    if (kind == "plain" && lot.size() == 1) {
        fits = answers(line, command);
    } else if (kind == "pause" && lot.size() == 3) {
        const int ms = lot[2].toInt();
        fits = within(1, kReplyLength - 1) && ms >= 5 && ms <= 150 && answers(line, command);
    } else if (kind == "ack" && lot.size() == 2) {
        fits = within(0, 100) && line.startsWith(acknowledgement) &&
               answers(line.mid(acknowledgement.size()), command);
    } else if (kind == "twice" && lot.size() == 2) {
        fits = within(0, 200) && answers(line.left(kReplyLength), command) &&
               answers(line.mid(kReplyLength), command);
        ++replies;
    } else if (kind == "noise" && lot.size() == 2) {
        fits = within(1, 40) && line.size() == kReplyLength + value &&
               answers(line.left(kReplyLength), command) && !line.mid(kReplyLength).contains('\n');
    } else if (kind == "late" && lot.size() == 2) {
        fits = within(1, longestLateMs) && answers(line, command);
    } else if (kind == "silent" && lot.size() == 1) {
        return line.isEmpty() ? QString() : QStringLiteral("a silent command was answered");
    } else if (kind == "tail" && lot.size() == 3) {
        const int ms = lot[2].toInt();
        fits = within(51, 53) && ms >= 300 && ms <= 600 && answers(line, command);
    } else if (kind == "packets" && lot.size() == 3) {
        const QList<QByteArray> at = lot[1].split(',');
        const int ms = lot[2].toInt();
        fits = (at.size() == 1 || (at.size() == 2 && at[0].toInt() < at[1].toInt())) &&
               at.first().toInt() >= 1 && at.last().toInt() <= kReplyLength - 1 && ms >= 300 &&
               ms <= 400 && answers(line, command);
    } else if (kind == "stray" && lot.size() == 2) {
        const QByteArray stray = QByteArray::fromHex(lot[1]);
        const QList<QByteArray> strays = {bytes("\0"), bytes("\0\0"), kCommand, bytes("\x06"),
                                          bytes("\x06OK\r")};
        fits = strays.contains(stray) && line.startsWith(stray) &&
               answers(line.mid(stray.size()), command);
    } else if (kind == "straggler" && lot.size() == 4) {
        const int at = lot[2].toInt();
        const int ms = lot[3].toInt();
        fits = within(1, longestLateMs) && at >= 1 && at <= 8 && ms >= 300 && ms <= 700 &&
               answers(line, command);
    } else if (kind == "long" && lot.size() == 1) {
        fits =
            line.size() == 4202 && line.endsWith("\r\n") &&
            std::all_of(line.begin(), line.end() - 2, [](char c) { return c >= 0x20 && c < 0x7f; });
        return fits ? QString() : QStringLiteral("not a long line of printable characters");
    }
    ++replies;
    return fits ? QString()
                : QStringLiteral("\"%1\" does not fit %2")
                      .arg(QString::fromLatin1(lot.join(' ')), QString::fromLatin1(line.toHex()));
}

// How many bytes a "mix" lot puts on the line.
qsizetype mixLength(const QList<QByteArray>& lot)
{
    const QByteArray kind = lot.value(0);
    if (kind == "silent")
        return 0;
    if (kind == "long")
        return 4202;
    if (kind == "ack")
        return 5 + kReplyLength;
    if (kind == "twice")
        return 2 * kReplyLength;
    if (kind == "noise")
        return kReplyLength + lot.value(1).toInt();
    if (kind == "stray")
        return kReplyLength + lot.value(1).size() / 2;
    return kReplyLength;
}

double celsius(const QByteArray& reply)
{
    return field(reply, 50, 54).toDouble();
}

qint64 wireTimeNs(int characters, int baud)
{
    return qint64{characters} * 11 * kNanosPerSecond / baud;
}

// CPU time the process has used, in clock ticks.
qint64 cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The command name may hold spaces; the fields after its closing parenthesis do not.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return fields[11].toLongLong() + fields[12].toLongLong();
}

bool pointsTo(const QString& link, const QString& target)
{
    const QFileInfo info(link);
    return info.isSymLink() && info.symLinkTarget() == target;
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void defaultReplyLayout();
    void temperatureDrifts();
    void seedReproducesReplies();
    void fixedReplyArrivesByteForByte_data();
    void fixedReplyArrivesByteForByte();
    void shortReplies_data();
    void shortReplies();
    void silentSendsNothing();
    void misbehaviour_data();
    void misbehaviour();
    void uniqueRepliesNameTheirCommand();
    void pauseHoldsTheLine_data();
    void pauseHoldsTheLine();
    void lateAnswerComesWholeBeforeTheNext();
    void mixDoesWhatItAnnounces();
    void timing_data();
    void timing();
    void staleBytes_data();
    void staleBytes();
    void unexpectedBytesAreReported();
    void survivesPortReopening();
    void floodStopsOnRequest();
    void staysIdle_data();
    void staysIdle();
    void installsLink_data();
    void installsLink();
    void readiesAFreshPrefix_data();
    void readiesAFreshPrefix();
    void unplugAndPlug();
    void shutdown_data();
    void shutdown();
    void commandLine_data();
    void commandLine();
};

void TestSimulator::defaultReplyLayout()
{
    SimulatedThermometer sim({QStringLiteral("--seed"), QStringLiteral("1")});
    QVERIFY(sim.start());
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    const QByteArray first = exchange(*port);
    QCOMPARE(first.size(), kReplyLength);
    // A second reply starting right after the first shows nothing trailed the first one.
    const QByteArray second = exchange(*port);
    QCOMPARE(second.size(), kReplyLength);
    QVERIFY(sim.waitForReplies(2));
    QCOMPARE(sim.queries(), 2);

    const QRegularExpression header(QStringLiteral(R"(^QVX1 (\d{6}) {9}$)"));
    const QRegularExpression weather(QStringLiteral(R"(^\d{3}/\d{3}g\d{3}t(\d{3}|-\d\d)$)"));
    const QRegularExpression filler(QStringLiteral(R"(^ r\d{3}p\d{3}P\d{3} $)"));
    const QRegularExpression temperature(QStringLiteral(R"(^[+-]\d\d\.\d$)"));
    int sequence = 0;
    for (const QByteArray& reply : {first, second}) {
        const auto head = header.match(QString::fromLatin1(field(reply, 1, 20)));
        QVERIFY2(head.hasMatch(), reply.constData());
        QCOMPARE(head.captured(1).toInt(), ++sequence);
        const auto wx = weather.match(QString::fromLatin1(field(reply, 21, 35)));
        QVERIFY2(wx.hasMatch(), reply.constData());
        QVERIFY2(filler.match(QString::fromLatin1(field(reply, 36, 49))).hasMatch(),
                 reply.constData());
        QVERIFY2(temperature.match(QString::fromLatin1(field(reply, 50, 54))).hasMatch(),
                 reply.constData());
        QCOMPARE(field(reply, 55, 56), QByteArray("\r\n"));
        // Both fields describe the same reading, once in Fahrenheit and once in Celsius.
        const double fahrenheit = wx.captured(1).toDouble();
        QVERIFY2(qAbs(fahrenheit - (celsius(reply) * 9 / 5 + 32)) <= 0.51, reply.constData());
    }
    QVERIFY(sim.errors().isEmpty());
}

void TestSimulator::temperatureDrifts()
{
    SimulatedThermometer sim;
    QVERIFY(sim.start());
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    QList<double> readings;
    for (int i = 0; i < 6; ++i) {
        const QByteArray reply = exchange(*port);
        QCOMPARE(reply.size(), kReplyLength);
        readings << celsius(reply);
    }
    for (int i = 1; i < readings.size(); ++i) {
        const double step = qAbs(readings[i] - readings[i - 1]);
        QVERIFY2(step > 0.05 && step < 0.55,
                 qPrintable(QStringLiteral("%1 -> %2").arg(readings[i - 1]).arg(readings[i])));
    }
}

void TestSimulator::seedReproducesReplies()
{
    QList<QByteArray> runs;
    for (int run = 0; run < 2; ++run) {
        SimulatedThermometer sim({QStringLiteral("--seed"), QStringLiteral("4242")});
        QVERIFY(sim.start());
        const auto port = openPort(sim.devicePath());
        QVERIFY(port);
        runs << exchange(*port) + exchange(*port);
        QCOMPARE(runs.last().size(), 2 * kReplyLength);
    }
    QCOMPARE(runs[0], runs[1]);
}

void TestSimulator::fixedReplyArrivesByteForByte_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("controlReply");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("NUL and high bytes")
        << QStringList{QStringLiteral("--reply"), QStringLiteral(R"(A\0B\xff\x80\xFEz\r\n)")}
        << QByteArray()
        << bytes("A\0B\xff\x80\xfe"
                 "z\r\n");
    QTest::newRow("text escapes") << QStringList{QStringLiteral("--reply"),
                                                 QStringLiteral(R"(t=\t \\ \x1b!)")}
                                  << QByteArray() << QByteArray("t=\t \\ \x1b!");
    QByteArray everyByte;
    for (int value = 0; value < 256; ++value)
        everyByte += static_cast<char>(value);
    QTest::newRow("every byte value set by control line")
        << QStringList() << everyByte << everyByte;
}

void TestSimulator::fixedReplyArrivesByteForByte()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, controlReply);
    QFETCH(QByteArray, expected);

    SimulatedThermometer sim(options);
    QVERIFY(sim.start());
    if (!controlReply.isEmpty())
        QVERIFY(sim.setReply(controlReply));
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    QCOMPARE(exchange(*port, expected.size()), expected);
    QCOMPARE(exchange(*port, expected.size()), expected);
    QVERIFY(sim.waitForReplies(2));
}

void TestSimulator::shortReplies_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("controlShort");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("generated reply") << QStringList{QStringLiteral("--short"), QStringLiteral("9")}
                                     << 0 << QByteArray("QVX1 0000");
    QTest::newRow("fixed reply") << QStringList{QStringLiteral("--reply"),
                                                QStringLiteral("0123456789"),
                                                QStringLiteral("--short"), QStringLiteral("4")}
                                 << 0 << QByteArray("0123");
    QTest::newRow("set by control line")
        << QStringList{QStringLiteral("--reply"), QStringLiteral("abcdefgh")} << 3
        << QByteArray("abc");
    QTest::newRow("longer than the reply")
        << QStringList{QStringLiteral("--reply"), QStringLiteral("xy"), QStringLiteral("--short"),
                       QStringLiteral("50")}
        << 0 << QByteArray("xy");
}

void TestSimulator::shortReplies()
{
    QFETCH(QStringList, options);
    QFETCH(int, controlShort);
    QFETCH(QByteArray, expected);

    SimulatedThermometer sim(options);
    QVERIFY(sim.start());
    if (controlShort > 0)
        QVERIFY(sim.setShort(controlShort));
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    // The second truncated reply must start exactly where the first one stopped.
    QCOMPARE(exchange(*port, expected.size()), expected);
    QVERIFY(sim.waitForReplies(1));
    QCOMPARE(exchange(*port, expected.size()), expected);
    QVERIFY(sim.waitForReplies(2));
    QCOMPARE(port->bytesAvailable(), 0);
}

void TestSimulator::silentSendsNothing()
{
    SimulatedThermometer sim({QStringLiteral("--silent")});
    QVERIFY(sim.start());
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    QSignalSpy arrivals(port.get(), &QSerialPort::readyRead);
    QVERIFY(sendCommand(*port));
    QVERIFY(sim.waitForQueries(1));
    QVERIFY(!arrivals.wait(400));
    QCOMPARE(port->bytesAvailable(), 0);
    QCOMPARE(sim.replies(), 0);

    // The same line answers once the device talks again, so the silence was the device's.
    QVERIFY(sim.setMode(SimulatedThermometer::Mode::Normal));
    QCOMPARE(exchange(*port).size(), kReplyLength);
}

void TestSimulator::misbehaviour_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("expectedLength");
    QTest::addColumn<int>("wellFormed");

    QTest::newRow("twice") << QStringList{QStringLiteral("--twice")} << 2 * kReplyLength << 2;
    QTest::newRow("acknowledge") << QStringList{QStringLiteral("--acknowledge"),
                                                QStringLiteral("--ack-gap"), QStringLiteral("0")}
                                 << 5 + kReplyLength << 1;
    QTest::newRow("garbage") << QStringList{QStringLiteral("--garbage")} << kReplyLength << 0;
    QTest::newRow("garbage of a fixed reply's length")
        << QStringList{QStringLiteral("--garbage"), QStringLiteral("--reply"),
                       QStringLiteral("0123456789")}
        << 10 << 0;
}

void TestSimulator::misbehaviour()
{
    QFETCH(QStringList, options);
    QFETCH(int, expectedLength);
    QFETCH(int, wellFormed);

    SimulatedThermometer sim(options);
    QVERIFY(sim.start());
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    const QByteArray answer = exchange(*port, expectedLength);
    QCOMPARE(answer.size(), expectedLength);
    QVERIFY(sim.waitForReplies(wellFormed == 2 ? 2 : 1));
    QCOMPARE(port->bytesAvailable(), 0);

    const QRegularExpression layout(QStringLiteral(
        R"(QVX1 \d{6} {9}\d{3}/\d{3}g\d{3}t[-\d]\d\d r\d{3}p\d{3}P\d{3} [+-]\d\d\.\d\r\n)"));
    int replies = 0;
    for (auto it = layout.globalMatch(QString::fromLatin1(answer)); it.hasNext(); it.next())
        ++replies;
    QCOMPARE(replies, wellFormed);
    if (wellFormed == 2)
        QVERIFY(answer.left(kReplyLength) != answer.mid(kReplyLength));
}

void TestSimulator::uniqueRepliesNameTheirCommand()
{
    SimulatedThermometer sim(
        {QStringLiteral("--unique"), QStringLiteral("--twice"), QStringLiteral("--seed=7")});
    QVERIFY(sim.start());
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    // Both answers to a command carry its number; the next command's answers carry the next.
    for (int command = 1; command <= 2; ++command) {
        const QByteArray both = exchange(*port, 2 * kReplyLength);
        QVERIFY2(answers(both.left(kReplyLength), command), both.constData());
        QVERIFY2(answers(both.mid(kReplyLength), command), both.constData());
    }

    // Numbers count commands, not numbered replies: the plain answers in between count too.
    QVERIFY(sim.setUnique(false));
    const QByteArray plain = exchange(*port, 2 * kReplyLength);
    QCOMPARE(plain.size(), 2 * kReplyLength);
    QVERIFY2(!plain.contains("W0000"), plain.constData());
    QVERIFY(sim.setUnique(true));
    const QByteArray fourth = exchange(*port, 2 * kReplyLength);
    QVERIFY2(answers(fourth.left(kReplyLength), 4), fourth.constData());
    QVERIFY2(answers(fourth.mid(kReplyLength), 4), fourth.constData());
    QVERIFY(sim.waitForReplies(8));
    QCOMPARE(port->bytesAvailable(), 0);
}

void TestSimulator::pauseHoldsTheLine_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("byControlLine");
    QTest::addColumn<QList<int>>("at");
    QTest::addColumn<int>("pauseMs");

    const QStringList paced{QStringLiteral("--baud"),    QStringLiteral("9600"),
                            QStringLiteral("--unique"),  QStringLiteral("--acknowledge"),
                            QStringLiteral("--ack-gap"), QStringLiteral("0")};
    QTest::newRow("command line") << paced + QStringList{QStringLiteral("--pause-at"),
                                                         QStringLiteral("20"),
                                                         QStringLiteral("--pause"),
                                                         QStringLiteral("300")}
                                  << false << QList<int>{20} << 300;
    QTest::newRow("control line") << paced << true << QList<int>{53} << 250;
    // Packets of 17, 26 and 13 characters, as a network adapter may deliver a reply.
    QTest::newRow("packets, command line")
        << paced + QStringList{QStringLiteral("--pause-at"), QStringLiteral("17,43"),
                               QStringLiteral("--pause"), QStringLiteral("300")}
        << false << QList<int>{17, 43} << 300;
    QTest::newRow("packets, control line") << paced << true << QList<int>{2, 52} << 250;
}

void TestSimulator::pauseHoldsTheLine()
{
    QFETCH(QStringList, options);
    QFETCH(bool, byControlLine);
    QFETCH(QList<int>, at);
    QFETCH(int, pauseMs);

    SimulatedThermometer sim(options);
    QVERIFY(sim.start());
    if (byControlLine)
        QVERIFY(at.size() == 1 ? sim.setPause(at.first(), pauseMs) : sim.setPause(at, pauseMs));
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    const QByteArray acknowledgement("\x06OK\r\n");
    QVERIFY(sendCommand(*port));
    QList<Arrival> arrivals;
    const QByteArray all = readTimed(*port, acknowledgement.size() + kReplyLength, arrivals);
    QCOMPARE(all.left(acknowledgement.size()), acknowledgement);
    QVERIFY2(answers(all.mid(acknowledgement.size()), 1), all.constData());

    // The acknowledgement is no reply: each pause counts from the reply's first character.
    qsizetype i = 0;
    for (const int position : at) {
        const qsizetype held = acknowledgement.size() + position;
        while (arrivals[i].total < held)
            ++i;
        QCOMPARE(arrivals[i].total, held);
        QVERIFY(i + 1 < arrivals.size());
        const qint64 quietMs = (arrivals[i + 1].ns - arrivals[i].ns) / 1000000;
        QVERIFY2(quietMs >= pauseMs - 100 && quietMs <= pauseMs + 400,
                 qPrintable(QStringLiteral("quiet for %1 ms after %2").arg(quietMs).arg(held)));
    }

    QVERIFY(sim.waitForReplies(1));
    QCOMPARE(sim.replyingCount(), 1);
    const qint64 onLine = sim.replyTimes().first() - sim.replyingTimes().first();
    QVERIFY(onLine >=
            qint64{pauseMs} * at.size() * 1000000 + wireTimeNs(kReplyLength - 1, 9600) * 8 / 10);
}

void TestSimulator::lateAnswerComesWholeBeforeTheNext()
{
    // The pause keeps each answer on the line long enough for a command to arrive meanwhile.
    SimulatedThermometer sim(
        {QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("--unique"),
         QStringLiteral("--delay"), QStringLiteral("500"), QStringLiteral("--pause-at"),
         QStringLiteral("28"), QStringLiteral("--pause"), QStringLiteral("250")});
    QVERIFY(sim.start());
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);
    QList<int> replied;
    connect(&sim, &SimulatedThermometer::replied, this,
            [&replied](int number, qint64) { replied << number; });

    // The second command comes while the first answer still waits, the third while the first
    // answer is on the line.
    QVERIFY(sendCommand(*port));
    QVERIFY(sim.waitForQueries(1));
    QVERIFY(sim.setDelay(0));
    QVERIFY(sendCommand(*port));
    QVERIFY(sim.waitForQueries(2));
    QVERIFY(sim.waitForReplying(1));
    QVERIFY(sendCommand(*port));
    QVERIFY(sim.waitForQueries(3));

    const QByteArray all = readAtLeast(*port, 3 * kReplyLength, 10000);
    QCOMPARE(all.size(), 3 * kReplyLength);
    for (int command = 1; command <= 3; ++command) {
        const QByteArray reply = all.mid((command - 1) * kReplyLength, kReplyLength);
        QVERIFY2(answers(reply, command), all.constData());
    }
    QVERIFY(sim.waitForReplies(3));
    QCOMPARE(replied, (QList<int>{1, 2, 3}));
    QVERIFY(sim.queryTimes()[1] < sim.replyingTimes()[0]);
    QVERIFY(sim.queryTimes()[2] < sim.replyTimes()[0]);
}

void TestSimulator::mixDoesWhatItAnnounces()
{
    const int commands = 200;
    const int longestLateMs = 60;
    SimulatedThermometer sim({QStringLiteral("--mix"), QStringLiteral("--seed"),
                              QStringLiteral("20240611"), QStringLiteral("--mix-late"),
                              QString::number(longestLateMs)});
    QVERIFY(sim.start());
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);
    QHash<int, QList<QByteArray>> lots;
    connect(&sim, &SimulatedThermometer::mixed, this,
            [&lots](int number, const QByteArray& plan) { lots[number] = plan.split(' '); });

    // One command at a time, each once its answer is in, so every byte belongs to one lot.
    QHash<QByteArray, int> kinds;
    int replies = 0;
    for (int command = 1; command <= commands; ++command) {
        QVERIFY(sendCommand(*port));
        QVERIFY(waitFor(
            &sim, &SimulatedThermometer::mixed, [&] { return lots.contains(command); },
            kTimeoutMs));
        const QList<QByteArray> lot = lots[command];
        ++kinds[lot.value(0)];
        const QByteArray line = readAtLeast(*port, mixLength(lot));
        const QString mismatch = mixMismatch(command, lot, line, longestLateMs, replies);
        QVERIFY2(mismatch.isEmpty(),
                 qPrintable(QStringLiteral("command %1: %2").arg(command).arg(mismatch)));
    }
    // Every reply proper was reported, once per copy.
    QVERIFY(sim.waitForReplies(replies));
    QCOMPARE(sim.replies(), replies);
    QCOMPARE(port->bytesAvailable(), 0);

    // The odds are in use: every kind turns up, and plain answers stay the common case.
    const QStringList all = {
        QStringLiteral("plain"),   QStringLiteral("pause"), QStringLiteral("ack"),
        QStringLiteral("twice"),   QStringLiteral("noise"), QStringLiteral("late"),
        QStringLiteral("silent"),  QStringLiteral("long"),  QStringLiteral("tail"),
        QStringLiteral("packets"), QStringLiteral("stray"), QStringLiteral("straggler")};
    int counted = 0;
    for (const QString& kind : all) {
        QVERIFY2(kinds.value(kind.toLatin1()) > 0, qPrintable(kind));
        counted += kinds.value(kind.toLatin1());
    }
    QCOMPARE(counted, commands);
    QVERIFY2(kinds.value("plain") > commands * 40 / 100 &&
                 kinds.value("plain") < commands * 70 / 100,
             qPrintable(QString::number(kinds.value("plain"))));
}

void TestSimulator::timing_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("length");
    QTest::addColumn<qint64>("minimumNs");
    // How long at least the reply itself is on the line, from its first byte to its last.
    QTest::addColumn<qint64>("spreadNs");

    QTest::newRow("9600 baud") << QStringList{QStringLiteral("--baud"), QStringLiteral("9600")}
                               << kReplyLength << wireTimeNs(kReplyLength, 9600) * 8 / 10
                               << wireTimeNs(kReplyLength - 1, 9600) * 8 / 10;
    QTest::newRow("2400 baud") << QStringList{QStringLiteral("--baud"), QStringLiteral("2400")}
                               << kReplyLength << wireTimeNs(kReplyLength, 2400) * 8 / 10
                               << wireTimeNs(kReplyLength - 1, 2400) * 8 / 10;
    QTest::newRow("delay") << QStringList{QStringLiteral("--delay"), QStringLiteral("150")}
                           << kReplyLength << qint64{150} * 1000000 << qint64{0};
    QTest::newRow("delay and baud")
        << QStringList{QStringLiteral("--delay"), QStringLiteral("100"), QStringLiteral("--baud"),
                       QStringLiteral("4800")}
        << kReplyLength << qint64{100} * 1000000 + wireTimeNs(kReplyLength, 4800) * 8 / 10
        << wireTimeNs(kReplyLength - 1, 4800) * 8 / 10;
    QTest::newRow("stale gap") << QStringList{QStringLiteral("--stale"), QStringLiteral("old"),
                                              QStringLiteral("--stale-gap"), QStringLiteral("120")}
                               << kReplyLength + 3 << qint64{120} * 1000000 << qint64{0};
}

void TestSimulator::timing()
{
    QFETCH(QStringList, options);
    QFETCH(int, length);
    QFETCH(qint64, minimumNs);
    QFETCH(qint64, spreadNs);

    SimulatedThermometer sim(options);
    QVERIFY(sim.start());
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    const qint64 before = SimulatedThermometer::monotonicNs();
    QCOMPARE(exchange(*port, length).size(), length);
    const qint64 received = SimulatedThermometer::monotonicNs() - before;
    QVERIFY(sim.waitForReplies(1));

    const qint64 answered = sim.replyTimes().first() - sim.queryTimes().first();
    QVERIFY2(received >= minimumNs,
             qPrintable(QStringLiteral("%1 ns < %2 ns").arg(received).arg(minimumNs)));
    QVERIFY2(answered >= minimumNs,
             qPrintable(QStringLiteral("%1 ns < %2 ns").arg(answered).arg(minimumNs)));
    // Both clocks are CLOCK_MONOTONIC: the simulator saw the command after we sent it.
    QVERIFY(sim.queryTimes().first() >= before);

    // "replying" marks the reply's first byte on the line, not the moment it was queued: what
    // comes before it (delay, stale bytes, the first character's wire time) lies before it.
    QCOMPARE(sim.replyingCount(), 1);
    const qint64 firstByte = sim.replyingTimes().first();
    const qint64 started = firstByte - sim.queryTimes().first();
    const qint64 spread = sim.replyTimes().first() - firstByte;
    QVERIFY2(started >= minimumNs - spreadNs,
             qPrintable(QStringLiteral("%1 ns < %2 ns").arg(started).arg(minimumNs - spreadNs)));
    QVERIFY2(spread >= spreadNs,
             qPrintable(QStringLiteral("%1 ns < %2 ns").arg(spread).arg(spreadNs)));
}

void TestSimulator::staleBytes_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("viaControl");
    QTest::addColumn<QByteArray>("stale");

    QTest::newRow("send control line") << QStringList() << true << bytes("old\0\xff\r\n");
    QTest::newRow("--stale option")
        << QStringList{QStringLiteral("--stale"), QStringLiteral(R"(99.9\0\r\n)"),
                       QStringLiteral("--stale-gap"), QStringLiteral("50")}
        << false << bytes("99.9\0\r\n");
}

void TestSimulator::staleBytes()
{
    QFETCH(QStringList, options);
    QFETCH(bool, viaControl);
    QFETCH(QByteArray, stale);

    SimulatedThermometer sim(options);
    QVERIFY(sim.start());
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    // Either way the stale bytes wait in the line ahead of the reply to the next command.
    if (viaControl)
        QVERIFY(sim.send(stale));
    QVERIFY(sendCommand(*port));
    const QByteArray all = readAtLeast(*port, stale.size() + kReplyLength);
    QCOMPARE(all.size(), stale.size() + kReplyLength);
    QCOMPARE(all.left(stale.size()), stale);
    QVERIFY(all.mid(stale.size()).startsWith("QVX1 "));
    QVERIFY(all.endsWith("\r\n"));
    QVERIFY(sim.waitForReplies(1));
    QCOMPARE(port->bytesAvailable(), 0);
}

void TestSimulator::unexpectedBytesAreReported()
{
    SimulatedThermometer sim;
    QVERIFY(sim.start());
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    QVERIFY(sendCommand(*port, bytes("hello\0\xff") + kCommand + "\x1bX"));
    QCOMPARE(readAtLeast(*port, kReplyLength).size(), kReplyLength);
    QTRY_COMPARE_WITH_TIMEOUT(sim.unexpectedBytes(), bytes("hello\0\xff\x1bX"), kTimeoutMs);
    QCOMPARE(sim.queries(), 1);

    // A lone ESC might still become a command; it is reported once nothing follows it.
    QSignalSpy unexpected(&sim, &SimulatedThermometer::unexpectedReceived);
    QVERIFY(sendCommand(*port, "\x1b"));
    QVERIFY(unexpected.wait(kTimeoutMs));
    QCOMPARE(unexpected.first().first().toByteArray(), QByteArray("\x1b"));

    // A command split over two writes is still one command.
    QVERIFY(sendCommand(*port, "\x1b"));
    QVERIFY(sendCommand(*port, "M"));
    QCOMPARE(readAtLeast(*port, kReplyLength).size(), kReplyLength);
    QVERIFY(sim.waitForQueries(2));
    QCOMPARE(sim.queries(), 2);
    QCOMPARE(sim.unexpectedBytes(), bytes("hello\0\xff\x1bX\x1b"));
}

void TestSimulator::survivesPortReopening()
{
    SimulatedThermometer sim;
    QVERIFY(sim.start());
    for (int round = 0; round < 4; ++round) {
        const auto port = openPort(sim.devicePath());
        QVERIFY(port);
        QCOMPARE(exchange(*port).size(), kReplyLength);
    }
    QVERIFY(sim.waitForReplies(4));
    QVERIFY2(sim.errors().isEmpty(), qPrintable(sim.errors().join(QLatin1Char('\n'))));
}

void TestSimulator::floodStopsOnRequest()
{
    SimulatedThermometer sim({QStringLiteral("--flood")});
    QVERIFY(sim.start());
    const auto port = openPort(sim.devicePath());
    QVERIFY(port);

    const qsizetype plenty = 64 * 1024;
    QVERIFY(sendCommand(*port));
    QVERIFY(readAtLeast(*port, plenty).size() >= plenty);
    QCOMPARE(sim.replies(), 0);

    QVERIFY(sim.setMode(SimulatedThermometer::Mode::Normal));
    QVERIFY(drain(*port));
    const QByteArray reply = exchange(*port);
    QCOMPARE(reply.size(), kReplyLength);
    QVERIFY(reply.startsWith("QVX1 "));
    QVERIFY(sim.waitForReplies(1));
    QCOMPARE(sim.queries(), 2);
}

void TestSimulator::staysIdle_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("startFlood");
    QTest::addColumn<int>("maxPercent");

    QTest::newRow("waiting for commands") << QStringList() << false << 10;
    QTest::newRow("flooding a full line") << QStringList{QStringLiteral("--flood")} << true << 10;
    QTest::newRow("paced flood") << QStringList{QStringLiteral("--flood"), QStringLiteral("--baud"),
                                                QStringLiteral("9600")}
                                 << true << 40;
}

void TestSimulator::staysIdle()
{
    QFETCH(QStringList, options);
    QFETCH(bool, startFlood);
    QFETCH(int, maxPercent);

    if (!QFile::exists(QStringLiteral("/proc/self/stat")))
        QSKIP("needs /proc to read CPU time");
    SimulatedThermometer sim(options);
    QVERIFY(sim.start());
    if (startFlood) {
        // Nobody reads after this, so an unpaced flood soon fills the line and must wait.
        const auto port = openPort(sim.devicePath());
        QVERIFY(port);
        QVERIFY(!exchange(*port, 1).isEmpty());
    }

    const qint64 before = cpuTicks(sim.processId());
    QVERIFY(before >= 0);
    const int windowMs = 600;
    // A measuring window, not a wait for an event: CPU time is only meaningful over time.
    QTest::qWait(windowMs);
    const qint64 used = cpuTicks(sim.processId()) - before;
    const qint64 allowed = sysconf(_SC_CLK_TCK) * windowMs * maxPercent / 100 / 1000;
    QVERIFY2(used <= allowed, qPrintable(QStringLiteral("%1 ticks").arg(used)));

    // Still responsive to control lines after the window.
    QVERIFY(sim.setMode(SimulatedThermometer::Mode::Normal));
}

void TestSimulator::installsLink_data()
{
    QTest::addColumn<bool>("staleLink");
    QTest::newRow("fresh prefix") << false;
    QTest::newRow("replaces an old link") << true;
}

void TestSimulator::installsLink()
{
    QFETCH(bool, staleLink);

    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    const QString link = prefix.filePath(QStringLiteral("dosdevices/com3"));
    if (staleLink) {
        QVERIFY(QDir(prefix.path()).mkdir(QStringLiteral("dosdevices")));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/ttyS9"), link));
    }

    SimulatedThermometer sim;
    QVERIFY(sim.installAs(prefix.path(), 3));
    QCOMPARE(sim.linkPath(), link);
    QVERIFY2(pointsTo(link, sim.devicePath()), qPrintable(QFileInfo(link).symLinkTarget()));

    // The port stays open to the end: while it holds the device, no other simulator running
    // in parallel can be given the same /dev/pts number, so the last check is about ours.
    const auto port = openPort(link);
    QVERIFY(port);
    QCOMPARE(exchange(*port).size(), kReplyLength);

    QVERIFY(sim.stop());
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(sim.devicePath()));
}

void TestSimulator::readiesAFreshPrefix_data()
{
    QTest::addColumn<bool>("ownDriveC");
    QTest::newRow("no prefix yet") << false;
    QTest::newRow("a prefix with its own drive C:") << true;
}

// The manual's example on a fresh machine: a prefix that is not there yet gets its folders and
// a drive C: as Wine makes one, so the program finds the port and has a drive for its weather
// file; a prefix's own drive C: is never replaced.
void TestSimulator::readiesAFreshPrefix()
{
    QFETCH(bool, ownDriveC);

    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString prefix = home.filePath(QStringLiteral("demo"));
    const QString driveC = prefix + QStringLiteral("/dosdevices/c:");
    const QString ownTarget = home.filePath(QStringLiteral("elsewhere"));
    if (ownDriveC) {
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/dosdevices")));
        QVERIFY(QFile::link(ownTarget, driveC));
    }

    SimulatedThermometer sim;
    QVERIFY(sim.installAs(prefix, 1));
    QVERIFY2(pointsTo(sim.linkPath(), sim.devicePath()),
             qPrintable(QFileInfo(sim.linkPath()).symLinkTarget()));
    const auto port = openPort(sim.linkPath());
    QVERIFY(port);
    QCOMPARE(exchange(*port).size(), kReplyLength);

    char target[4096];
    const ssize_t length = ::readlink(QFile::encodeName(driveC).constData(), target, sizeof target);
    QVERIFY(length > 0);
    const QString expected = ownDriveC ? ownTarget : QStringLiteral("../drive_c");
    QCOMPARE(QFile::decodeName(QByteArray(target, static_cast<qsizetype>(length))), expected);
    QCOMPARE(QFileInfo(prefix + QStringLiteral("/drive_c")).isDir(), !ownDriveC);

    // The drive is the prefix's from now on; only the port goes with the simulator.
    QVERIFY(sim.stop());
    QVERIFY(!QFileInfo(sim.linkPath()).isSymLink());
    QVERIFY(QFileInfo(driveC).isSymLink());
}

void TestSimulator::unplugAndPlug()
{
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    SimulatedThermometer sim;
    QVERIFY(sim.installAs(prefix.path(), 1));
    const QString firstDevice = sim.devicePath();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                           R"(did not confirm "plug".*already plugged)")));
    QVERIFY(!sim.plug());
    QVERIFY(sim.errors().contains(QStringLiteral("plug: already plugged")));

    const auto oldPort = openPort(sim.linkPath());
    QVERIFY(oldPort);
    QCOMPARE(exchange(*oldPort).size(), kReplyLength);

    // Qt 6.4 keeps reporting ReadError for as long as a hung-up port stays open, so the port
    // is closed at the first failure, as the program has to do.
    QList<QSerialPort::SerialPortError> failures;
    connect(oldPort.get(), &QSerialPort::errorOccurred, this,
            [&](QSerialPort::SerialPortError error) {
                if (error == QSerialPort::NoError || !oldPort->isOpen())
                    return;
                failures << error;
                oldPort->close();
            });
    QSignalSpy unplugged(&sim, &SimulatedThermometer::unplugged);
    QVERIFY(sim.unplug());
    QCOMPARE(unplugged.size(), 1);
    QVERIFY(!QFileInfo::exists(firstDevice));
    QVERIFY(QFileInfo(sim.linkPath()).isSymLink());
    QVERIFY(!QFileInfo::exists(sim.linkPath()));

    QTRY_COMPARE_WITH_TIMEOUT(failures.size(), 1, kTimeoutMs);
    QVERIFY2(failures.first() == QSerialPort::ReadError ||
                 failures.first() == QSerialPort::ResourceError,
             qPrintable(QString::number(failures.first())));
    QSerialPort gone(sim.linkPath());
    QVERIFY(!gone.open(QIODevice::ReadWrite));
    QCOMPARE(gone.error(), QSerialPort::DeviceNotFoundError);

    QSignalSpy devices(&sim, &SimulatedThermometer::deviceChanged);
    QVERIFY(sim.plug());
    QCOMPARE(devices.size(), 1);
    QVERIFY(QFileInfo::exists(sim.devicePath()));
    QVERIFY(pointsTo(sim.linkPath(), sim.devicePath()));

    const auto newPort = openPort(sim.linkPath());
    QVERIFY(newPort);
    QVERIFY(exchange(*newPort).startsWith("QVX1 "));
    QVERIFY(sim.stop());
}

void TestSimulator::shutdown_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("quit") << "quit";
    QTest::newRow("SIGTERM") << "SIGTERM";
    QTest::newRow("SIGINT") << "SIGINT";
    QTest::newRow("end of control input") << "eof";
}

void TestSimulator::shutdown()
{
    QFETCH(QString, how);

    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    SimulatedThermometer sim;
    QVERIFY(sim.installAs(prefix.path(), 2));
    QVERIFY(QFileInfo(sim.linkPath()).isSymLink());
    // Held open so the device number cannot be reused by a parallel test before the checks.
    const auto port = openPort(sim.linkPath());
    QVERIFY(port);

    if (how == QLatin1String("quit")) {
        QVERIFY(sim.stop());
    } else if (how == QLatin1String("eof")) {
        sim.closeControl();
    } else {
        QCOMPARE(::kill(static_cast<pid_t>(sim.processId()),
                        how == QLatin1String("SIGTERM") ? SIGTERM : SIGINT),
                 0);
    }
    QVERIFY(sim.waitForExit());
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(sim.linkPath()).isSymLink());
    QVERIFY(!QFileInfo::exists(sim.devicePath()));
}

void TestSimulator::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("diagnostic");

    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << QString();
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--bogus")} << 2 << QStringLiteral("--bogus");
    QTest::newRow("missing value")
        << QStringList{QStringLiteral("--baud")} << 2 << QStringLiteral("--baud");
    QTest::newRow("not a number") << QStringList{QStringLiteral("--delay"), QStringLiteral("soon")}
                                  << 2 << QStringLiteral("--delay");
    QTest::newRow("negative") << QStringList{QStringLiteral("--short"), QStringLiteral("-1")} << 2
                              << QStringLiteral("--short");
    QTest::newRow("bad escape") << QStringList{QStringLiteral("--reply"), QStringLiteral(R"(\q)")}
                                << 2 << QStringLiteral("--reply");
    QTest::newRow("short hex escape")
        << QStringList{QStringLiteral("--stale"), QStringLiteral(R"(\x4)")} << 2
        << QStringLiteral("--stale");
    QTest::newRow("lone backslash at the end")
        << QStringList{QStringLiteral("--reply"), QStringLiteral(R"(ab\)")} << 2
        << QStringLiteral("--reply");
    QTest::newRow("install without com")
        << QStringList{QStringLiteral("--install"), QStringLiteral("/tmp")} << 2
        << QStringLiteral("--com");
    QTest::newRow("com out of range")
        << QStringList{QStringLiteral("--install"), QStringLiteral("/tmp"), QStringLiteral("--com"),
                       QStringLiteral("0")}
        << 2 << QStringLiteral("--com");
    QTest::newRow("two misbehaviours")
        << QStringList{QStringLiteral("--silent"), QStringLiteral("--flood")} << 2
        << QStringLiteral("--flood");
    QTest::newRow("pause without its length")
        << QStringList{QStringLiteral("--pause-at"), QStringLiteral("5")} << 2
        << QStringLiteral("--pause");
    QTest::newRow("pauses out of order")
        << QStringList{QStringLiteral("--pause-at"), QStringLiteral("43,17"),
                       QStringLiteral("--pause"), QStringLiteral("300")}
        << 2 << QStringLiteral("ascending");
}

void TestSimulator::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, diagnostic);

    QProcess process;
    process.start(QStringLiteral(UIQ_THERMOSIM_PATH), arguments);
    QVERIFY(process.waitForFinished(kTimeoutMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    if (exitCode == 0) {
        const QStringList documented = {QStringLiteral("--reply"),
                                        QStringLiteral("--baud"),
                                        QStringLiteral("--delay"),
                                        QStringLiteral("--silent"),
                                        QStringLiteral("--short"),
                                        QStringLiteral("--stale"),
                                        QStringLiteral("--stale-gap"),
                                        QStringLiteral("--twice"),
                                        QStringLiteral("--garbage"),
                                        QStringLiteral("--flood"),
                                        QStringLiteral("--install"),
                                        QStringLiteral("--com"),
                                        QStringLiteral("--control"),
                                        QStringLiteral("--seed"),
                                        QStringLiteral("--help"),
                                        QStringLiteral("send"),
                                        QStringLiteral("reply"),
                                        QStringLiteral("mode"),
                                        QStringLiteral("unplug"),
                                        QStringLiteral("plug"),
                                        QStringLiteral("quit"),
                                        QStringLiteral("query"),
                                        QStringLiteral("replied"),
                                        QStringLiteral("unexpected"),
                                        QStringLiteral("--acknowledge"),
                                        QStringLiteral("--ack-gap"),
                                        QStringLiteral("--unique"),
                                        QStringLiteral("--pause-at"),
                                        QStringLiteral("--pause"),
                                        QStringLiteral("--mix"),
                                        QStringLiteral("--mix-late"),
                                        QStringLiteral("unique on"),
                                        QStringLiteral("pause N[,N]... MS"),
                                        QStringLiteral("replying"),
                                        QStringLiteral("mix N")};
        for (const QString& word : documented)
            QVERIFY2(out.contains(word), qPrintable(word));
        QVERIFY(!out.contains(QStringLiteral("device /dev")));
    } else {
        QVERIFY2(err.contains(diagnostic), qPrintable(err));
        QVERIFY(out.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
