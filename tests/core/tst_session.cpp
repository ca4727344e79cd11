#include "FakePlatform.h"
#include "core/Captions.h"

#include <QTest>

using namespace std::chrono_literals;
using Text = core::View::TextControl;
using Form = core::ExchangeForm;

namespace {

const std::string kDefaultPath = "C:\\UiView\\WXprs.txt";
const std::string kReply = fake::reply("ABCDEFGHIJKLMNO", "+21.3");
const std::string kFile = "Mar 05 2003 07:04\r\nABCDEFGHIJKLMNO\r\n";

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

QString operator""_q(const char* text, std::size_t size)
{
    return QString::fromUtf8(text, qsizetype(size));
}

QStringList captionsOf(const fake::View& view)
{
    QStringList captions;
    for (const std::string& caption : view.captions)
        captions << q(caption);
    return captions;
}

} // namespace

// The whole behaviour of the window, start-up to shutdown, on fake services: no window, no
// line, no disk. What each platform does with it is tested with the real programs.
class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void startUp_data()
    {
        QTest::addColumn<QString>("storedPath");
        QTest::addColumn<QString>("storedPort");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QList<int>>("opens");
        QTest::addColumn<QString>("savedPort");

        QTest::newRow("first run")
            << QString() << QString() << true << QStringList{"Stopped"_q} << QList<int>{1} << "1"_q;
        // The port selector runs for a stored port that is not the box's first text.
        QTest::newRow("stored 3") << "C:\\wx.txt"_q
                                  << "3"_q << true << QStringList{"Stopped"_q} << QList<int>{3, 3}
                                  << "3"_q;
        // Rewritten to its plain form on the way, without a caption for each step.
        QTest::newRow("stored 03")
            << "C:\\wx.txt"_q
            << "03"_q << true << QStringList{"Stopped"_q} << QList<int>{3, 3, 3} << "3"_q;
        // Past the arrows' reach, as a USB adapter's port often is, it is used as it is.
        QTest::newRow("stored 7, beyond the arrows")
            << "C:\\wx.txt"_q
            << "7"_q << true << QStringList{"Stopped"_q} << QList<int>{7, 7} << "7"_q;
        QTest::newRow("stored 257, past the highest port")
            << "C:\\wx.txt"_q
            << "257"_q << true << QStringList{"Choose a port from 1 to 256"_q} << QList<int>{}
            << "257"_q;
        QTest::newRow("stored text")
            << "C:\\wx.txt"_q
            << "x"_q << true << QStringList{"The stored port \"x\" is not a port number"_q}
            << QList<int>{} << "x"_q;
        QTest::newRow("a store that cannot be written")
            << QString() << QString() << false
            << QStringList{"Stopped \u2013 settings cannot be saved in the store"_q}
            << QList<int>{1} << QString();
    }

    // Start-up reads the settings, writes the defaults that are missing, opens the port the
    // way the port selector would, and shows one caption: the one it ends with.
    void startUp()
    {
        QFETCH(QString, storedPath);
        QFETCH(QString, storedPort);
        QFETCH(bool, writable);
        QFETCH(QStringList, captions);
        QFETCH(QList<int>, opens);
        QFETCH(QString, savedPort);

        fake::Station station;
        if (!storedPath.isNull())
            station.settings.values["WXPath"] = storedPath.toStdString();
        if (!storedPort.isNull())
            station.settings.values["CPort"] = storedPort.toStdString();
        station.settings.writable = writable;
        station.session.load();

        QCOMPARE(captionsOf(station.view), captions);
        QCOMPARE(QList<int>(station.serialPort.opens.begin(), station.serialPort.opens.end()),
                 opens);
        QCOMPARE(q(station.settings.values["CPort"]), savedPort);
        const std::string path = storedPath.isNull() ? kDefaultPath : storedPath.toStdString();
        QCOMPARE(q(station.view.texts[Text::WXfile]), q(path));
        QCOMPARE(q(station.view.texts[Text::Label2]), QStringLiteral("UiView Quorvix Thermometer"));
        if (writable)
            QCOMPARE(q(station.settings.values["WXPath"]), q(path));

        // A stored text that names no port opens none, and a reading then asks no port.
        station.session.oneShotClicked();
        if (opens.isEmpty()) {
            QCOMPARE(q(station.view.caption()),
                     "No port is chosen: type a port number from 1 to 256"_q);
            QVERIFY(station.serialPort.sent.empty());
        } else {
            QCOMPARE(station.serialPort.sent.size(), std::size_t(1));
        }
    }

    // What start-up cannot read, or the box cannot hold, is shown but never written back.
    void storedValuesLeftAsTheyAre()
    {
        fake::Station station;
        station.settings.unreadable["CPort"] = "line 2 of F is not valid UTF-8";
        station.settings.values["WXPath"] = "C:\\" + std::string(core::kPathBoxCharacters, 'w');
        station.session.load();
        QCOMPARE(station.settings.writes, 0);
        QCOMPARE(q(station.view.caption()),
                 "CPort cannot be read: line 2 of F is not valid UTF-8 \u2013 The stored path is "
                 "longer than the path box holds (32770 characters); it stays as stored"_q);
        QCOMPARE(QList<int>(station.serialPort.opens.begin(), station.serialPort.opens.end()),
                 QList<int>{1});
    }

    // Typing, stepping and pasting a port: the box, the scroll bar, the store and the open
    // port all mean one number; a text that names no port changes none of them.
    void portSelector()
    {
        fake::Station station;
        station.session.load();
        station.session.portEdited("2");
        QCOMPARE(station.serialPort.opens.back(), 2);
        QCOMPARE(station.view.scroll, 3);
        QCOMPARE(q(station.settings.values["CPort"]), "2"_q);
        QCOMPARE(q(station.view.caption()), "Stopped"_q);

        station.session.portEdited("2x");
        QCOMPARE(q(station.view.caption()), "\"2x\" is not a port number"_q);
        QCOMPARE(q(station.settings.values["CPort"]), "2"_q);
        QCOMPARE(station.session.commPort(), 2);

        // The up arrow lowers the value and raises the port.
        station.session.scrollMoved(2);
        QCOMPARE(q(station.view.texts[Text::CPort]), "3"_q);
        QCOMPARE(station.serialPort.opens.back(), 3);
        QCOMPARE(q(station.view.caption()), "Stopped"_q);

        const std::size_t opened = station.serialPort.opens.size();
        station.session.portEdited("05");
        QCOMPARE(q(station.view.texts[Text::CPort]), "5"_q);
        QCOMPARE(q(station.settings.values["CPort"]), "5"_q);
        QCOMPARE(station.serialPort.opens.size(), opened + 2);
        QCOMPARE(station.view.scroll, 0);

        station.session.scrollMoved(-3);
        QCOMPARE(station.view.scroll, 0);
        QCOMPARE(station.serialPort.opens.size(), opened + 2);

        // A port past the arrows is opened as it is; the thumb waits at the top, and the down
        // arrow from there comes back to the ports it reaches.
        station.session.portEdited("033");
        QCOMPARE(q(station.view.texts[Text::CPort]), "33"_q);
        QCOMPARE(q(station.settings.values["CPort"]), "33"_q);
        QCOMPARE(station.serialPort.opens.back(), 33);
        QCOMPARE(station.view.scroll, 0);
        station.session.scrollMoved(2);
        QCOMPARE(q(station.view.texts[Text::CPort]), "3"_q);
        QCOMPARE(station.serialPort.opens.back(), 3);

        station.serialPort.openFails = "it is in use by another program, or access is denied";
        station.session.portEdited("4");
        QCOMPARE(q(station.view.caption()),
                 "COM4 cannot be opened: it is in use by another program, or access is denied"_q);
    }

    void textsThatAreNoPort_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("caption");
        QTest::newRow("empty") << QString() << "\"\" is not a port number"_q;
        QTest::newRow("letter") << "x"_q
                                << "\"x\" is not a port number"_q;
        QTest::newRow("number then letter") << "1x"_q
                                            << "\"1x\" is not a port number"_q;
        QTest::newRow("past the highest port") << "257"_q
                                               << "Choose a port from 1 to 256"_q;
        QTest::newRow("negative") << "-1"_q
                                  << "Choose a port from 1 to 256"_q;
        QTest::newRow("huge") << "99999999999"_q
                              << "Choose a port from 1 to 256"_q;
        QTest::newRow("fraction") << "1.5"_q
                                  << "\"1.5\" is not a port number"_q;
        QTest::newRow("fraction alone") << ".5"_q
                                        << "\".5\" is not a port number"_q;
        const QString page(1000, u'x');
        QTest::newRow("a page pasted")
            << page << QStringLiteral("\"%1\u2026\" is not a port number").arg(page.left(40));
    }

    // A text that names no port keeps the open port, the saved value and the scroll bar, and
    // says why; a reading still asks the port that is open.
    void textsThatAreNoPort()
    {
        QFETCH(QString, typed);
        QFETCH(QString, caption);
        fake::Station station;
        station.session.load();
        station.session.portEdited("2");
        const std::size_t opened = station.serialPort.opens.size();
        station.session.portEdited(typed.toStdString());
        QCOMPARE(q(station.view.caption()), caption);
        QCOMPARE(station.serialPort.opens.size(), opened);
        QCOMPARE(q(station.settings.values["CPort"]), "2"_q);
        QCOMPARE(station.view.scroll, 3);
        station.session.oneShotClicked();
        QCOMPARE(station.serialPort.sent.size(), std::size_t(1));
        QCOMPARE(station.session.commPort(), 2);
    }

    // The file is written on the seventh tick; Stop and Start keep the count, a second Start
    // never puts the next tick off, and OneShot leaves the count alone.
    void sampling()
    {
        fake::Station station;
        station.session.load();
        station.session.startClicked();
        QCOMPARE(q(station.view.caption()), "Started"_q);
        for (int tick = 1; tick <= 3; ++tick) {
            station.advance(10s);
            QCOMPARE(station.serialPort.sent.size(), std::size_t(tick));
            station.answer(kReply);
        }
        station.session.stopClicked();
        station.advance(60s);
        QCOMPARE(station.serialPort.sent.size(), std::size_t(3));
        station.session.oneShotClicked();
        station.answer(kReply);
        station.advance(300ms);
        QCOMPARE(q(station.view.caption()), "One shot +21.3\u00b0C"_q);
        QCOMPARE(station.session.counter().value(), std::int16_t(30));

        station.session.startClicked();
        station.advance(9s);
        station.session.startClicked();
        station.advance(1s);
        QCOMPARE(station.serialPort.sent.size(), std::size_t(5));
        station.answer(kReply);
        for (int tick = 5; tick <= 7; ++tick) {
            station.advance(10s);
            station.answer(kReply);
        }
        QCOMPARE(q(station.view.caption()), "+21.3\u00b0C"_q);
        using Reading = std::pair<Form, bool>;
        const std::vector<Reading> expected{
            {Form::Tick, false}, {Form::Tick, false}, {Form::Tick, false}, {Form::OneShot, true},
            {Form::Tick, false}, {Form::Tick, false}, {Form::Tick, false}, {Form::Tick, true}};
        QVERIFY(station.view.readings == expected);
        QCOMPARE(station.writer.writes.back().second, kFile);
        QCOMPARE(q(station.view.texts[Text::Text1]), "Mar 05 2003 07:04\r\nABCDEFGHIJKLMNO"_q);
    }

    // The weather file goes to the path as it stood when editing last finished.
    void halfTypedPathIsNeverWritten()
    {
        fake::Station station;
        station.session.load();
        station.session.pathEdited("C:\\notes");
        station.session.oneShotClicked();
        station.answer(kReply);
        station.advance(300ms);
        QCOMPARE(q(station.writer.writes.back().first), q(kDefaultPath));
        QCOMPARE(q(station.settings.values["WXPath"]), "C:\\notes"_q);
        station.session.pathEditFinished();
        station.session.oneShotClicked();
        station.answer(kReply);
        station.advance(300ms);
        QCOMPARE(q(station.writer.writes.back().first), "C:\\notes"_q);
    }

    // A file the host program holds is tried again while the window goes on; the reading
    // shows once the write has ended, well or not.
    void heldWeatherFile()
    {
        fake::Station station;
        station.session.load();
        station.writer.holdNext(3);
        station.session.oneShotClicked();
        station.answer(kReply);
        station.advance(250ms);
        QCOMPARE(q(station.view.caption()), "Stopped"_q);
        station.advance(200ms);
        QCOMPARE(station.writer.retries, 3);
        QCOMPARE(q(station.view.caption()), "One shot +21.3\u00b0C"_q);

        station.writer.heldBecause = "the host program holds it";
        station.writer.holdNext(core::kWriteAttempts);
        station.session.oneShotClicked();
        station.answer(kReply);
        station.advance(2s);
        QCOMPARE(station.writer.givenUp, 1);
        QCOMPARE(q(station.view.caption()), "One shot +21.3\u00b0C \u2013 cannot write "
                                            "C:\\UiView\\WXprs.txt: the host program holds it"_q);
        QCOMPARE(station.view.readings.back(), std::make_pair(Form::OneShot, false));
    }

    // Each way an exchange ends without a reading says what happened, on the port asked.
    void exchangeFailures()
    {
        fake::Station station({10s, 3s});
        station.serialPort.devices[1] = "/dev/ttyS0";
        station.session.load();
        station.session.oneShotClicked();
        station.advance(4s);
        QCOMPARE(q(station.view.caption()),
                 "The thermometer did not answer on COM1 (/dev/ttyS0)"_q);

        // A stray byte shifts every field: no reading, and the caption says what came.
        station.session.oneShotClicked();
        station.answer('\0' + kReply);
        station.advance(300ms);
        QCOMPARE(q(station.view.caption()), "COM1 (/dev/ttyS0) answered 55 characters with no "
                                            "temperature at characters 50 to 54"_q);
        station.session.oneShotClicked();
        station.answer(kReply);
        station.advance(300ms);
        station.session.oneShotClicked();
        station.answer("\x1bM" + kReply);
        station.advance(300ms);
        QCOMPARE(q(station.view.caption()),
                 "COM1 (/dev/ttyS0) answered 56 characters where its answers have 54; last "
                 "reading 07:04"_q);
        QCOMPARE(station.writer.writes.size(), std::size_t(1));

        station.session.portEdited("2");
        station.session.oneShotClicked();
        station.answer(kReply.substr(0, 30));
        station.advance(4s);
        QCOMPARE(q(station.view.caption()), "COM2 answered only 30 characters"_q);

        station.session.lineLost("the device went away");
        QCOMPARE(q(station.view.caption()), "COM2 was lost: the device went away"_q);

        station.serialPort.sendFails = "the line did not take the command in time";
        station.session.oneShotClicked();
        QCOMPARE(q(station.view.caption()),
                 "COM2 is not open: the line did not take the command in time"_q);
        QVERIFY(!station.session.busy());
    }

    // A reading belongs to the port it asked: changing the port ends it at once and says so,
    // and what the new port sends is never taken for the old one's answer.
    void portChangeEndsTheReading()
    {
        fake::Station station({10s, 3s});
        station.session.load();
        station.session.oneShotClicked();
        station.session.portEdited("2");
        QVERIFY(!station.session.busy());
        QCOMPARE(q(station.view.caption()),
                 "The reading on COM1 was given up: the port was changed or closed"_q);
        station.answer(kReply);
        station.advance(4s);
        QVERIFY(station.view.readings.empty());
        QVERIFY(station.writer.writes.empty());
        QCOMPARE(q(station.view.caption()),
                 "The reading on COM1 was given up: the port was changed or closed"_q);

        station.session.oneShotClicked();
        QCOMPARE(station.serialPort.sent.size(), std::size_t(2));
        station.answer(kReply);
        station.advance(300ms);
        QCOMPARE(q(station.view.caption()), "One shot +21.3\u00b0C"_q);
    }

    // A tick's reading that comes after Stop is still shown in Text1 and written, but the
    // caption says that sampling is off.
    void readingAfterStop()
    {
        fake::Station station;
        station.session.load();
        station.session.startClicked();
        for (int tick = 1; tick <= 6; ++tick) {
            station.advance(10s);
            station.answer(kReply);
        }
        station.advance(10s);
        station.session.stopClicked();
        station.answer(fake::reply("STOPSTOPSTOPSTO", "+13.0"));
        QCOMPARE(q(station.view.caption()), "Stopped \u2013 last reading +13.0\u00b0C"_q);
        QCOMPARE(q(station.writer.writes.back().second),
                 "Mar 05 2003 07:04\r\nSTOPSTOPSTOPSTO\r\n"_q);
        QCOMPARE(q(station.view.texts[Text::Text1]), "Mar 05 2003 07:04\r\nSTOPSTOPSTOPSTO"_q);
    }

    // A write that the host program held ends after a newer reading was shown: the caption
    // keeps the newer reading.
    void newestReadingStays()
    {
        fake::Station station;
        station.session.load();
        station.session.startClicked();
        station.advance(9500ms);
        station.writer.holdNext(10);
        station.session.oneShotClicked();
        station.answer(fake::reply("ONEONEONEONEONE", "+01.0"));
        station.advance(500ms);
        station.answer(fake::reply("TWOTWOTWOTWOTWO", "+02.0"));
        QCOMPARE(q(station.view.caption()), "+02.0\u00b0C"_q);
        station.advance(1s);
        QCOMPARE(station.writer.retries, 10);
        QCOMPARE(q(station.view.caption()), "+02.0\u00b0C"_q);
        QCOMPARE(q(station.writer.writes.back().second),
                 "Mar 05 2003 07:04\r\nONEONEONEONEONE\r\n"_q);
        QVERIFY(!captionsOf(station.view).contains("One shot +01.0\u00b0C"_q));
    }

    // Every reading and failure goes into the record with its time and port, and a failure
    // after a reading says when the last one came.
    void recordAndTheLastReading()
    {
        fake::Station station({10s, 3s});
        station.session.load();
        station.clock.local = {2003, 3, 5, 7, 4, 10};
        station.session.oneShotClicked();
        station.answer(kReply);
        station.advance(300ms);
        station.clock.local = {2003, 3, 5, 7, 9, 0};
        station.session.oneShotClicked();
        station.advance(4s);
        QCOMPARE(q(station.view.caption()),
                 "The thermometer did not answer on COM1; last reading 07:04"_q);
        station.clock.local = {2003, 3, 6, 0, 1, 0};
        station.session.startClicked();
        station.advance(14s);
        QCOMPARE(q(station.view.caption()),
                 "The thermometer did not answer on COM1; last reading Mar 05 07:04"_q);
        const std::vector<std::string> expected{
            "2003-03-05 07:04:10 COM1: One shot +21.3\u00b0C, written to C:\\UiView\\WXprs.txt",
            "2003-03-05 07:09:00 COM1: no reading: The thermometer did not answer on COM1",
            "2003-03-06 00:01:00 COM1: no reading: The thermometer did not answer on COM1"};
        QVERIFY(station.record.lines == expected);
    }

    // OneShot pressed while a tick waits runs right after it, and gets its own reply.
    void oneShotDuringATick()
    {
        fake::Station station;
        station.session.load();
        station.session.startClicked();
        station.advance(10s);
        station.session.oneShotClicked();
        QCOMPARE(station.serialPort.sent.size(), std::size_t(1));
        station.answer(fake::reply("TICKTICKTICKTIC", "+01.0"));
        station.advance(20ms);
        QCOMPARE(station.serialPort.sent.size(), std::size_t(2));
        station.answer(fake::reply("SHOTSHOTSHOTSHO", "+02.0"));
        station.advance(300ms);
        QCOMPARE(q(station.view.caption()), "One shot +02.0\u00b0C"_q);
        QCOMPARE(q(station.writer.writes.back().second),
                 "Mar 05 2003 07:04\r\nSHOTSHOTSHOTSHO\r\n"_q);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
