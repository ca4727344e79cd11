#include "RigTest.h"

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QStringList kAtLinePace{QStringLiteral("--baud"), QStringLiteral("9600")};
const QString kDegrees = QStringLiteral("\u00b0C");
const QByteArray kDateLine("Mar 05 2003 07:04\r\n");

// Reading number n: its own weather field and temperature, so a caption or a file that shows
// another reading's value, or a value cut at the wrong place, is caught.
QByteArray weather(int n)
{
    return "ABCDEFGHIJKL" + QByteArray::number(n).rightJustified(3, '0');
}
QByteArray temperature(int n)
{
    return '+' + QByteArray::number(10 + n % 90) + '.' + QByteArray::number(n % 10);
}
QByteArray reply(int n)
{
    return "QVX1 " + QByteArray::number(n).rightJustified(6, '0') + QByteArray(9, ' ') +
           weather(n) + " r000p000P000 " + temperature(n) + "\r\n";
}

// The fields of the answer to command n of a thermometer that numbers its answers.
QByteArray uniqueWeather(int n)
{
    return 'W' + QByteArray::number(n).rightJustified(14, '0');
}
QString uniqueReading(int n)
{
    const int tenths = n % 1000;
    return QStringLiteral("+%1.%2").arg(tenths / 10, 2, 10, QLatin1Char('0')).arg(tenths % 10) +
           kDegrees;
}

} // namespace

// The thermometer at its own line speed, 9600 baud, in each way it can answer: once, with an
// acknowledgement first, or twice. Every reading shown or written must be that reading, whole.
class TestLinePace : public RigTest
{
    Q_OBJECT

    bool openRig(const QStringList& model)
    {
        m_rig = std::make_unique<Rig>();
        return m_rig->open(kAtLinePace + model, 300, 3000);
    }

private slots:
    void cleanup() { m_rig.reset(); }

    void everyModel_data()
    {
        QTest::addColumn<QStringList>("model");
        QTest::newRow("answers once") << QStringList();
        QTest::newRow("acknowledges first") << QStringList{QStringLiteral("--acknowledge")};
        QTest::newRow("answers twice") << QStringList{
            QStringLiteral("--twice"), QStringLiteral("--twice-gap"), QStringLiteral("40")};
    }

    // Each tick shows its own whole temperature, the seventh writes its own field in exactly
    // two lines, and OneShot shows and writes its own reading.
    void everyModel()
    {
        QFETCH(QStringList, model);
        QVERIFY(openRig(model));
        QVERIFY(thermometer().setReply(reply(1)));
        QStringList captions;
        // The next reading is set as soon as one is taken, well before the next tick asks.
        connect(&window(), &qt::Window::readingTaken, this, [&] {
            captions << caption();
            if (captions.size() < 7)
                thermometer().setReply(reply(captions.size() + 1));
        });
        Rig::click(window().Command2);
        QTRY_VERIFY_WITH_TIMEOUT(captions.size() >= 7, 10000);
        Rig::click(window().Command3);
        for (int n = 1; n <= 7; ++n)
            QCOMPARE(captions.at(n - 1), QString::fromLatin1(temperature(n)) + kDegrees);
        QCOMPARE(m_rig->writes().mid(0, 7),
                 (QList<bool>{false, false, false, false, false, false, true}));
        QCOMPARE(m_rig->fileContents(), kDateLine + weather(7) + "\r\n");

        QTRY_VERIFY(!window().session().busy());
        QVERIFY(thermometer().setReply(reply(8)));
        QVERIFY(oneShot());
        QCOMPARE(caption(),
                 QStringLiteral("One shot ") + QString::fromLatin1(temperature(8)) + kDegrees);
        QCOMPARE(m_rig->fileContents(), kDateLine + weather(8) + "\r\n");
    }

    // Bytes waiting before the command, an earlier reply's tail or a burst of noise, are
    // never the head of a reply.
    void staleBytesAndNoise()
    {
        QVERIFY(openRig({}));
        QVERIFY(thermometer().setReply(reply(1)));
        QVERIFY(thermometer().send(reply(0).mid(40)));
        QVERIFY(oneShot());
        QCOMPARE(caption(),
                 QStringLiteral("One shot ") + QString::fromLatin1(temperature(1)) + kDegrees);
        QCOMPARE(m_rig->fileContents(), kDateLine + weather(1) + "\r\n");

        QByteArray noise;
        for (int i = 0; i < 120; ++i)
            noise += char((i * 37 + 11) % 256);
        QVERIFY(thermometer().send(noise));
        Rig::click(window().Command2);
        // Noise that stops inside a line may be an answer still coming: the command waits until
        // it has been silent for as long as any reply may take.
        QVERIFY(samples().wait(8000));
        QCOMPARE(caption(), QString::fromLatin1(temperature(1)) + kDegrees);
        Rig::click(window().Command3);
    }

    void pauseInsideTheLine_data()
    {
        QTest::addColumn<QString>("at");
        QTest::addColumn<int>("ms");
        QTest::newRow("after 5 characters") << QStringLiteral("5") << 400;
        QTest::newRow("after 30 characters") << QStringLiteral("30") << 400;
        QTest::newRow("after 51 characters, the temperature's first")
            << QStringLiteral("51") << 400;
        QTest::newRow("after 52 characters, inside the temperature") << QStringLiteral("52") << 400;
        QTest::newRow("after 53 characters, before its last digit") << QStringLiteral("53") << 400;
        // A network or Bluetooth adapter hands the answer on in packets: 20, 32 and 4
        // characters, the second ending inside the temperature.
        QTest::newRow("in packets 350 ms apart") << QStringLiteral("20,52") << 350;
    }

    // An adapter that holds the line inside an answer for longer than any quiet that could
    // end a line: OneShot and a tick each show and write the whole answer to their own
    // command, never a part of it or a shifted one.
    void pauseInsideTheLine()
    {
        QFETCH(QString, at);
        QFETCH(int, ms);
        QVERIFY(openRig({QStringLiteral("--unique"), QStringLiteral("--pause-at"), at,
                         QStringLiteral("--pause"), QString::number(ms)}));
        QVERIFY(oneShot());
        QCOMPARE(caption(), QStringLiteral("One shot ") + uniqueReading(1));
        QCOMPARE(m_rig->fileContents(), kDateLine + uniqueWeather(1) + "\r\n");
        Rig::click(window().Command2);
        QVERIFY(samples().wait(3000));
        QCOMPARE(caption(), uniqueReading(2));
        Rig::click(window().Command3);
    }

    // An answer that comes so late that it is still on the line when the next command is due:
    // it is heard out, and the next reading is the whole answer to its own command.
    void lateAnswerOnTheLine()
    {
        m_rig = std::make_unique<Rig>();
        QVERIFY(
            m_rig->open(kAtLinePace + QStringList{QStringLiteral("--unique"),
                                                  QStringLiteral("--delay"), QStringLiteral("600")},
                        300, 400));
        Rig::click(window().Command1);
        QTRY_COMPARE(caption(), QStringLiteral("The thermometer did not answer on ") + com1());
        QVERIFY(thermometer().setDelay(0));
        QVERIFY(thermometer().waitForReplying(1));
        QVERIFY(oneShot());
        QCOMPARE(caption(), QStringLiteral("One shot ") + uniqueReading(2));
        QCOMPARE(m_rig->fileContents(), kDateLine + uniqueWeather(2) + "\r\n");
    }

    // The same, when the answer also pauses inside its line: the command waits for the late
    // answer's line end, rather than take a quiet for its end and go into the unfinished line,
    // whose tail would then be taken for the reply.
    void lateAnswerPausingInItsLine()
    {
        m_rig = std::make_unique<Rig>();
        QVERIFY(m_rig->open(kAtLinePace + QStringList{QStringLiteral("--unique")}, 300, 1000));
        QVERIFY(oneShot());
        QVERIFY(thermometer().setDelay(1100));
        QVERIFY(thermometer().setPause(1, 600));
        Rig::click(window().Command1);
        QTRY_COMPARE(caption(), QStringLiteral("The thermometer did not answer on ") + com1() +
                                    QStringLiteral("; last reading 07:04"));
        QVERIFY(thermometer().waitForReplying(2));
        QVERIFY(thermometer().setDelay(0));
        QVERIFY(thermometer().setPause(0, 0));
        // The first tick comes while the late answer is in its pause.
        Rig::click(window().Command2);
        QVERIFY(samples().wait(5000));
        QCOMPARE(caption(), uniqueReading(3));
        Rig::click(window().Command3);
        QVERIFY(thermometer().queryTimes().at(2) > thermometer().replyTimes().at(1));
    }

    void strayBytesBeforeTheAnswer_data()
    {
        QTest::addColumn<QByteArray>("stray");
        QTest::addColumn<int>("characters");
        QTest::newRow("a NUL as the line powers up") << QByteArray(1, '\0') << 55;
        QTest::newRow("an echo of the command") << QByteArray("\x1bM") << 56;
        QTest::newRow("a bare acknowledgement byte") << QByteArray("\x06") << 55;
        QTest::newRow("an acknowledgement ended by CR alone") << QByteArray("\x06OK\r") << 58;
    }

    // Bytes glued before the answer shift every field: nothing is shown or written, and the
    // caption says what came. The next answer without them is a reading again.
    void strayBytesBeforeTheAnswer()
    {
        QFETCH(QByteArray, stray);
        QFETCH(int, characters);
        QVERIFY(openRig({QStringLiteral("--unique"), QStringLiteral("--stale"),
                         QString::fromLatin1(SimulatedThermometer::escape(stray)),
                         QStringLiteral("--stale-gap"), QStringLiteral("0")}));
        Rig::click(window().Command1);
        QTRY_COMPARE(caption(), com1() + QStringLiteral(" answered %1 characters with no "
                                                        "temperature at characters 50 to 54")
                                             .arg(characters));
        Rig::click(window().Command2);
        QVERIFY(thermometer().waitForReplies(2));
        QTRY_VERIFY(!window().session().busy());
        Rig::click(window().Command3);
        QCOMPARE(samples().count(), 0);
        QVERIFY(!QFile::exists(m_rig->weatherFile()));
    }

    // A line longer than any reply, without a line end, is no reply: nothing is shown or
    // written, the caption says so, and the next reading is whole again.
    void lineLongerThanAnyReply()
    {
        m_rig = std::make_unique<Rig>();
        QVERIFY(m_rig->open({}, 300, 3000));
        QVERIFY(thermometer().setReply(QByteArray(5000, 'P')));
        Rig::click(window().Command1);
        QTRY_COMPARE(caption(),
                     com1() + QStringLiteral(" sent more than 4096 characters without a line end"));
        QVERIFY(!QFile::exists(m_rig->weatherFile()));
        QVERIFY(thermometer().setReply(reply(3)));
        // The runaway line never ended: the command waits until it has been silent for as long
        // as any reply may take.
        QVERIFY(m_rig->oneShot(8000));
        QCOMPARE(caption(),
                 QStringLiteral("One shot ") + QString::fromLatin1(temperature(3)) + kDegrees);
    }

    // A line break inside the weather field splits the answer into two short lines: neither
    // is a reply, the old file stays as it was, and the caption says how much came.
    void lineBreakInTheWeatherField()
    {
        QVERIFY(openRig({}));
        QVERIFY(thermometer().setReply(reply(1)));
        QVERIFY(oneShot());
        const QByteArray good = m_rig->fileContents();
        QCOMPARE(good, kDateLine + weather(1) + "\r\n");

        QByteArray broken = reply(2);
        broken.replace(25, 2, "\r\n");
        QVERIFY(thermometer().setReply(broken));
        Rig::click(window().Command1);
        QTRY_COMPARE_WITH_TIMEOUT(caption(),
                                  com1() + QStringLiteral(" answered only 27 characters; "
                                                          "last reading 07:04"),
                                  5000);
        QCOMPARE(m_rig->fileContents(), good);
    }
};

QTEST_MAIN(TestLinePace)
#include "tst_linepace.moc"
