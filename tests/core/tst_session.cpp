#include "FakePlatform.h"
#include "core/Captions.h"

#include <QTest>

using namespace std::chrono_literals;
using Text = core::View::Text;
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

        fake::Rig rig;
        if (!storedPath.isNull())
            rig.settings.values["WXPath"] = storedPath.toStdString();
        if (!storedPort.isNull())
            rig.settings.values["CPort"] = storedPort.toStdString();
        rig.settings.writable = writable;
        rig.session.load();

        QCOMPARE(captionsOf(rig.view), captions);
        QCOMPARE(QList<int>(rig.serialPort.opens.begin(), rig.serialPort.opens.end()), opens);
        QCOMPARE(q(rig.settings.values["CPort"]), savedPort);
        const std::string path = storedPath.isNull() ? kDefaultPath : storedPath.toStdString();
        QCOMPARE(q(rig.view.texts[Text::WXfile]), q(path));
        QCOMPARE(q(rig.view.texts[Text::Label2]), QStringLiteral("UiView Quorvix Thermometer"));
        if (writable)
            QCOMPARE(q(rig.settings.values["WXPath"]), q(path));

        // A stored text that names no port opens none, and a reading then asks no port.
        rig.session.oneShotClicked();
        if (opens.isEmpty()) {
            QCOMPARE(q(rig.view.caption()),
                     "No port is chosen: type a port number from 1 to 256"_q);
            QVERIFY(rig.serialPort.sent.empty());
        } else {
            QCOMPARE(rig.serialPort.sent.size(), std::size_t(1));
        }
    }

    // What start-up cannot read, or the box cannot hold, is shown but never written back.
    void storedValuesLeftAsTheyAre()
    {
        fake::Rig rig;
        rig.settings.unreadable["CPort"] = "line 2 of F is not valid UTF-8";
        rig.settings.values["WXPath"] = "C:\\" + std::string(core::kPathBoxCharacters, 'w');
        rig.session.load();
        QCOMPARE(rig.settings.writes, 0);
        QCOMPARE(q(rig.view.caption()),
                 "CPort cannot be read: line 2 of F is not valid UTF-8 \u2013 The stored path is "
                 "longer than the path box holds (32770 characters); it stays as stored"_q);
        QCOMPARE(QList<int>(rig.serialPort.opens.begin(), rig.serialPort.opens.end()),
                 QList<int>{1});
    }

    // Typing, stepping and pasting a port: the box, the scroll bar, the store and the open
    // port all mean one number; a text that names no port changes none of them.
    void portSelector()
    {
        fake::Rig rig;
        rig.session.load();
        rig.session.portEdited("2");
        QCOMPARE(rig.serialPort.opens.back(), 2);
        QCOMPARE(rig.view.scroll, 3);
        QCOMPARE(q(rig.settings.values["CPort"]), "2"_q);
        QCOMPARE(q(rig.view.caption()), "Stopped"_q);

        rig.session.portEdited("2x");
        QCOMPARE(q(rig.view.caption()), "\"2x\" is not a port number"_q);
        QCOMPARE(q(rig.settings.values["CPort"]), "2"_q);
        QCOMPARE(rig.session.commPort(), 2);

        // The up arrow lowers the value and raises the port.
        rig.session.scrollMoved(2);
        QCOMPARE(q(rig.view.texts[Text::CPort]), "3"_q);
        QCOMPARE(rig.serialPort.opens.back(), 3);
        QCOMPARE(q(rig.view.caption()), "Stopped"_q);

        const std::size_t opened = rig.serialPort.opens.size();
        rig.session.portEdited("05");
        QCOMPARE(q(rig.view.texts[Text::CPort]), "5"_q);
        QCOMPARE(q(rig.settings.values["CPort"]), "5"_q);
        QCOMPARE(rig.serialPort.opens.size(), opened + 2);
        QCOMPARE(rig.view.scroll, 0);

        rig.session.scrollMoved(-3);
        QCOMPARE(rig.view.scroll, 0);
        QCOMPARE(rig.serialPort.opens.size(), opened + 2);

        // A port past the arrows is opened as it is; the thumb waits at the top, and the down
        // arrow from there comes back to the ports it reaches.
        rig.session.portEdited("033");
        QCOMPARE(q(rig.view.texts[Text::CPort]), "33"_q);
        QCOMPARE(q(rig.settings.values["CPort"]), "33"_q);
        QCOMPARE(rig.serialPort.opens.back(), 33);
        QCOMPARE(rig.view.scroll, 0);
        rig.session.scrollMoved(2);
        QCOMPARE(q(rig.view.texts[Text::CPort]), "3"_q);
        QCOMPARE(rig.serialPort.opens.back(), 3);

        rig.serialPort.openFails = "it is in use by another program, or access is denied";
        rig.session.portEdited("4");
        QCOMPARE(q(rig.view.caption()),
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
        fake::Rig rig;
        rig.session.load();
        rig.session.portEdited("2");
        const std::size_t opened = rig.serialPort.opens.size();
        rig.session.portEdited(typed.toStdString());
        QCOMPARE(q(rig.view.caption()), caption);
        QCOMPARE(rig.serialPort.opens.size(), opened);
        QCOMPARE(q(rig.settings.values["CPort"]), "2"_q);
        QCOMPARE(rig.view.scroll, 3);
        rig.session.oneShotClicked();
        QCOMPARE(rig.serialPort.sent.size(), std::size_t(1));
        QCOMPARE(rig.session.commPort(), 2);
    }

    // The file is written on the seventh tick; Stop and Start keep the count, a second Start
    // never puts the next tick off, and OneShot leaves the count alone.
    void sampling()
    {
        fake::Rig rig;
        rig.session.load();
        rig.session.startClicked();
        QCOMPARE(q(rig.view.caption()), "Started"_q);
        for (int tick = 1; tick <= 3; ++tick) {
            rig.advance(10s);
            QCOMPARE(rig.serialPort.sent.size(), std::size_t(tick));
            rig.answer(kReply);
        }
        rig.session.stopClicked();
        rig.advance(60s);
        QCOMPARE(rig.serialPort.sent.size(), std::size_t(3));
        rig.session.oneShotClicked();
        rig.answer(kReply);
        rig.advance(300ms);
        QCOMPARE(q(rig.view.caption()), "One shot +21.3\u00b0C"_q);
        QCOMPARE(rig.session.counter().value(), std::int16_t(30));

        rig.session.startClicked();
        rig.advance(9s);
        rig.session.startClicked();
        rig.advance(1s);
        QCOMPARE(rig.serialPort.sent.size(), std::size_t(5));
        rig.answer(kReply);
        for (int tick = 5; tick <= 7; ++tick) {
            rig.advance(10s);
            rig.answer(kReply);
        }
        QCOMPARE(q(rig.view.caption()), "+21.3\u00b0C"_q);
        using Reading = std::pair<Form, bool>;
        const std::vector<Reading> expected{{Form::Sampling, false}, {Form::Sampling, false},
                                            {Form::Sampling, false}, {Form::OneShot, true},
                                            {Form::Sampling, false}, {Form::Sampling, false},
                                            {Form::Sampling, false}, {Form::Sampling, true}};
        QVERIFY(rig.view.readings == expected);
        QCOMPARE(rig.writer.writes.back().second, kFile);
        QCOMPARE(q(rig.view.texts[Text::Text1]), "Mar 05 2003 07:04\r\nABCDEFGHIJKLMNO"_q);
    }

    // The weather file goes to the path as it stood when editing last finished.
    void halfTypedPathIsNeverWritten()
    {
        fake::Rig rig;
        rig.session.load();
        rig.session.pathEdited("C:\\notes");
        rig.session.oneShotClicked();
        rig.answer(kReply);
        rig.advance(300ms);
        QCOMPARE(q(rig.writer.writes.back().first), q(kDefaultPath));
        QCOMPARE(q(rig.settings.values["WXPath"]), "C:\\notes"_q);
        rig.session.pathEditFinished();
        rig.session.oneShotClicked();
        rig.answer(kReply);
        rig.advance(300ms);
        QCOMPARE(q(rig.writer.writes.back().first), "C:\\notes"_q);
    }

    // A file the host program holds is tried again while the window goes on; the reading
    // shows once the write has ended, well or not.
    void heldWeatherFile()
    {
        fake::Rig rig;
        rig.session.load();
        rig.writer.holdNext(3);
        rig.session.oneShotClicked();
        rig.answer(kReply);
        rig.advance(250ms);
        QCOMPARE(q(rig.view.caption()), "Stopped"_q);
        rig.advance(200ms);
        QCOMPARE(rig.writer.retries, 3);
        QCOMPARE(q(rig.view.caption()), "One shot +21.3\u00b0C"_q);

        rig.writer.heldBecause = "the host program holds it";
        rig.writer.holdNext(core::kWriteAttempts);
        rig.session.oneShotClicked();
        rig.answer(kReply);
        rig.advance(2s);
        QCOMPARE(rig.writer.givenUp, 1);
        QCOMPARE(q(rig.view.caption()), "One shot +21.3\u00b0C \u2013 cannot write "
                                        "C:\\UiView\\WXprs.txt: the host program holds it"_q);
        QCOMPARE(rig.view.readings.back(), std::make_pair(Form::OneShot, false));
    }

    // Each way an exchange ends without a reading says what happened, on the port asked.
    void exchangeFailures()
    {
        fake::Rig rig({10s, 3s});
        rig.serialPort.devices[1] = "/dev/ttyS0";
        rig.session.load();
        rig.session.oneShotClicked();
        rig.advance(4s);
        QCOMPARE(q(rig.view.caption()), "The thermometer did not answer on COM1 (/dev/ttyS0)"_q);

        // A stray byte shifts every field: no reading, and the caption says what came.
        rig.session.oneShotClicked();
        rig.answer('\0' + kReply);
        rig.advance(300ms);
        QCOMPARE(q(rig.view.caption()), "COM1 (/dev/ttyS0) answered 55 characters with no "
                                        "temperature at characters 50 to 54"_q);
        rig.session.oneShotClicked();
        rig.answer(kReply);
        rig.advance(300ms);
        rig.session.oneShotClicked();
        rig.answer("\x1bM" + kReply);
        rig.advance(300ms);
        QCOMPARE(q(rig.view.caption()),
                 "COM1 (/dev/ttyS0) answered 56 characters where its answers have 54; last "
                 "reading 07:04"_q);
        QCOMPARE(rig.writer.writes.size(), std::size_t(1));

        rig.session.portEdited("2");
        rig.session.oneShotClicked();
        rig.answer(kReply.substr(0, 30));
        rig.advance(4s);
        QCOMPARE(q(rig.view.caption()), "COM2 answered only 30 characters"_q);

        rig.session.lineLost("the device went away");
        QCOMPARE(q(rig.view.caption()), "COM2 was lost: the device went away"_q);

        rig.serialPort.sendFails = "the line did not take the command in time";
        rig.session.oneShotClicked();
        QCOMPARE(q(rig.view.caption()),
                 "COM2 is not open: the line did not take the command in time"_q);
        QVERIFY(!rig.session.busy());
    }

    // A reading belongs to the port it asked: changing the port ends it at once and says so,
    // and what the new port sends is never taken for the old one's answer.
    void portChangeEndsTheReading()
    {
        fake::Rig rig({10s, 3s});
        rig.session.load();
        rig.session.oneShotClicked();
        rig.session.portEdited("2");
        QVERIFY(!rig.session.busy());
        QCOMPARE(q(rig.view.caption()),
                 "The reading on COM1 was given up: the port was changed or closed"_q);
        rig.answer(kReply);
        rig.advance(4s);
        QVERIFY(rig.view.readings.empty());
        QVERIFY(rig.writer.writes.empty());
        QCOMPARE(q(rig.view.caption()),
                 "The reading on COM1 was given up: the port was changed or closed"_q);

        rig.session.oneShotClicked();
        QCOMPARE(rig.serialPort.sent.size(), std::size_t(2));
        rig.answer(kReply);
        rig.advance(300ms);
        QCOMPARE(q(rig.view.caption()), "One shot +21.3\u00b0C"_q);
    }

    // A tick's reading that comes after Stop is still shown in Text1 and written, but the
    // caption says that sampling is off.
    void readingAfterStop()
    {
        fake::Rig rig;
        rig.session.load();
        rig.session.startClicked();
        for (int tick = 1; tick <= 6; ++tick) {
            rig.advance(10s);
            rig.answer(kReply);
        }
        rig.advance(10s);
        rig.session.stopClicked();
        rig.answer(fake::reply("STOPSTOPSTOPSTO", "+13.0"));
        QCOMPARE(q(rig.view.caption()), "Stopped \u2013 last reading +13.0\u00b0C"_q);
        QCOMPARE(q(rig.writer.writes.back().second), "Mar 05 2003 07:04\r\nSTOPSTOPSTOPSTO\r\n"_q);
        QCOMPARE(q(rig.view.texts[Text::Text1]), "Mar 05 2003 07:04\r\nSTOPSTOPSTOPSTO"_q);
    }

    // A write that the host program held ends after a newer reading was shown: the caption
    // keeps the newer reading.
    void newestReadingStays()
    {
        fake::Rig rig;
        rig.session.load();
        rig.session.startClicked();
        rig.advance(9500ms);
        rig.writer.holdNext(10);
        rig.session.oneShotClicked();
        rig.answer(fake::reply("ONEONEONEONEONE", "+01.0"));
        rig.advance(500ms);
        rig.answer(fake::reply("TWOTWOTWOTWOTWO", "+02.0"));
        QCOMPARE(q(rig.view.caption()), "+02.0\u00b0C"_q);
        rig.advance(1s);
        QCOMPARE(rig.writer.retries, 10);
        QCOMPARE(q(rig.view.caption()), "+02.0\u00b0C"_q);
        QCOMPARE(q(rig.writer.writes.back().second), "Mar 05 2003 07:04\r\nONEONEONEONEONE\r\n"_q);
        QVERIFY(!captionsOf(rig.view).contains("One shot +01.0\u00b0C"_q));
    }

    // Every reading and failure goes into the record with its time and port, and a failure
    // after a reading says when the last one came.
    void recordAndTheLastReading()
    {
        fake::Rig rig({10s, 3s});
        rig.session.load();
        rig.clock.local = {2003, 3, 5, 7, 4, 10};
        rig.session.oneShotClicked();
        rig.answer(kReply);
        rig.advance(300ms);
        rig.clock.local = {2003, 3, 5, 7, 9, 0};
        rig.session.oneShotClicked();
        rig.advance(4s);
        QCOMPARE(q(rig.view.caption()),
                 "The thermometer did not answer on COM1; last reading 07:04"_q);
        rig.clock.local = {2003, 3, 6, 0, 1, 0};
        rig.session.startClicked();
        rig.advance(14s);
        QCOMPARE(q(rig.view.caption()),
                 "The thermometer did not answer on COM1; last reading Mar 05 07:04"_q);
        const std::vector<std::string> expected{
            "2003-03-05 07:04:10 COM1: One shot +21.3\u00b0C, written to C:\\UiView\\WXprs.txt",
            "2003-03-05 07:09:00 COM1: no reading: The thermometer did not answer on COM1",
            "2003-03-06 00:01:00 COM1: no reading: The thermometer did not answer on COM1"};
        QVERIFY(rig.record.lines == expected);
    }

    // OneShot pressed while a tick waits runs right after it, and gets its own reply.
    void oneShotDuringATick()
    {
        fake::Rig rig;
        rig.session.load();
        rig.session.startClicked();
        rig.advance(10s);
        rig.session.oneShotClicked();
        QCOMPARE(rig.serialPort.sent.size(), std::size_t(1));
        rig.answer(fake::reply("TICKTICKTICKTIC", "+01.0"));
        rig.advance(20ms);
        QCOMPARE(rig.serialPort.sent.size(), std::size_t(2));
        rig.answer(fake::reply("SHOTSHOTSHOTSHO", "+02.0"));
        rig.advance(300ms);
        QCOMPARE(q(rig.view.caption()), "One shot +02.0\u00b0C"_q);
        QCOMPARE(q(rig.writer.writes.back().second), "Mar 05 2003 07:04\r\nSHOTSHOTSHOTSHO\r\n"_q);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
