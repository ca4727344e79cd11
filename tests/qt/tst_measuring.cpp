#include "Rig.h"
#include "core/RecordLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// A reply whose fields are easy to recognise: weather "ABCDEFGHIJKLMNO", temperature "+21.5".
const QByteArray kReply =
    QByteArray("QVX1 000001         ") + "ABCDEFGHIJKLMNO" + " r000p000P000 " + "+21.5" + "\r\n";
const QString kTemperature = QStringLiteral("+21.5\u00b0C");
const QByteArray kFile("Mar 05 2003 07:04\r\nABCDEFGHIJKLMNO\r\n");

// A clock that moves on by a millisecond each time it is read.
class SteppingClock : public qt::Clock
{
public:
    explicit SteppingClock(QDateTime start) : m_next(std::move(start)) {}

protected:
    QDateTime wallClock() const override
    {
        const QDateTime now = m_next;
        m_next = m_next.addMSecs(1);
        return now;
    }

private:
    mutable QDateTime m_next;
};

} // namespace

// Sampling and OneShot end to end: the window, a pseudo-terminal, the simulated thermometer
// and the weather file under the profile's drive C.
class TestMeasuring : public QObject
{
    Q_OBJECT

    std::unique_ptr<Rig> m_rig;

    void openRig(QStringList options = {}, const core::Clock* clock = nullptr, int tickMs = 120,
                 int timeoutMs = 400)
    {
        options << QStringLiteral("--reply") << QString::fromLatin1(kReply.chopped(2) + "\\r\\n");
        m_rig = std::make_unique<Rig>(clock);
        QVERIFY(m_rig->open(options, tickMs, timeoutMs));
        QCOMPARE(m_rig->window().windowTitle(), QStringLiteral("Stopped"));
    }

    qt::Window* window() { return &m_rig->window(); }
    SimulatedThermometer* thermometer() { return &m_rig->thermometer(); }
    QSignalSpy* samples() { return &m_rig->samples(); }
    QString weatherFile() const { return m_rig->weatherFile(); }
    QByteArray fileContents() const { return m_rig->fileContents(); }
    QList<bool> writes() const { return m_rig->writes(); }
    static void click(QPushButton* button) { Rig::click(button); }

private slots:
    void cleanup() { m_rig.reset(); }

    // The window's own timer: six ticks show temperatures and write nothing, the seventh writes.
    // (Stop, Start and OneShot against the count are the session's, tested in the core.)
    void seventhTickWrites()
    {
        openRig();
        QList<bool> fileThere;
        connect(window(), &qt::Window::readingTaken, this,
                [&] { fileThere << QFile::exists(weatherFile()); });
        click(window()->Command2);
        QCOMPARE(window()->windowTitle(), QStringLiteral("Started"));
        QTRY_VERIFY_WITH_TIMEOUT(samples()->count() >= 7, 10000);
        QCOMPARE(writes().mid(0, 7), (QList<bool>{false, false, false, false, false, false, true}));
        QCOMPARE(fileThere.mid(0, 7),
                 (QList<bool>{false, false, false, false, false, false, true}));
        QCOMPARE(fileContents(), kFile);
        QVERIFY(window()->windowTitle().startsWith(kTemperature));
        click(window()->Command3);
    }

    // OneShot right after start-up writes the file, and Text1 shows its two lines.
    void oneShotWritesTheFile()
    {
        openRig();
        click(window()->Command1);
        QVERIFY(samples()->wait(3000));
        QCOMPARE(window()->windowTitle(), QStringLiteral("One shot ") + kTemperature);
        QCOMPARE(fileContents(), kFile);
        QCOMPARE(window()->Text1->toPlainText(),
                 QStringLiteral("Mar 05 2003 07:04\nABCDEFGHIJKLMNO"));
        QCOMPARE(window()->Text1->document()->blockCount(), 2);
    }

    void noCompleteReply_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("failure");
        QTest::newRow("short reply") << false << QStringLiteral("COM1 answered only 30 characters");
        QTest::newRow("silent") << true << QStringLiteral("The thermometer did not answer on COM1");
    }

    // No complete reply: the wait ends, the caption says how much came, the window keeps working,
    // no second exchange starts meanwhile, and the next tick recovers by itself.
    void noCompleteReply()
    {
        QFETCH(bool, silent);
        QFETCH(QString, failure);
        openRig({}, nullptr, 60, 400);
        // On this system a caption names the device behind the port.
        failure.replace(QStringLiteral("COM1"), m_rig->profile().portName(1));
        QVERIFY(silent ? thermometer()->setMode(SimulatedThermometer::Mode::Silent)
                       : thermometer()->setShort(30));
        int queriesAtFailure = -1;
        connect(window(), &QWidget::windowTitleChanged, this, [&](const QString& caption) {
            if (queriesAtFailure < 0 && caption == failure)
                queriesAtFailure = thermometer()->queries();
        });
        click(window()->Command2);
        QVERIFY(thermometer()->waitForQueries(1));
        // While the thermometer keeps us waiting the window answers the user.
        QVERIFY(window()->session().busy());
        window()->WXfile->selectAll();
        QTest::keyClicks(window()->WXfile, QStringLiteral("C:\\UiView\\WX2.txt"));
        QCOMPARE(window()->WXfile->text(), QStringLiteral("C:\\UiView\\WX2.txt"));
        QVERIFY(window()->session().busy());
        QTRY_COMPARE_WITH_TIMEOUT(window()->windowTitle(), failure, 3000);
        // Ticks came every 60 ms during the 400 ms wait, but only one exchange ran.
        QCOMPARE(queriesAtFailure, 1);
        QCOMPARE(samples()->count(), 0);
        QCOMPARE(window()->session().counter().value(), std::int16_t(0));

        QVERIFY(silent ? thermometer()->setMode(SimulatedThermometer::Mode::Normal)
                       : thermometer()->setShort(0));
        QVERIFY(samples()->wait(3000));
        QCOMPARE(window()->windowTitle(), kTemperature);
        QVERIFY(!QFile::exists(weatherFile()));
    }

    // The port changed while the thermometer is being asked: the reading ends at once and
    // says so, and a whole answer from the new port is never taken for the old one's.
    void portChangeEndsTheReading()
    {
        openRig({}, nullptr, 60, 3000);
        QVERIFY(thermometer()->setMode(SimulatedThermometer::Mode::Silent));
        SimulatedThermometer com2({QStringLiteral("--baud"), QStringLiteral("9600")});
        QVERIFY(com2.installAs(m_rig->profile().winePrefix(), 2));
        click(window()->Command1);
        QVERIFY(thermometer()->waitForQueries(1));
        const QString com1 = m_rig->profile().portName(1);
        window()->CPort->selectAll();
        QTest::keyClicks(window()->CPort, QStringLiteral("2"));
        QCOMPARE(window()->windowTitle(), QStringLiteral("The reading on ") + com1 +
                                              QStringLiteral(" was given up: the port was "
                                                             "changed or closed"));
        QVERIFY(!window()->session().busy());
        // An answer nobody on COM2 asked for, then the one to COM2's own command.
        QByteArray unasked = kReply;
        unasked.replace("+21.5", "+11.1");
        QVERIFY(com2.send(unasked));
        QVERIFY(com2.setReply(kReply));
        click(window()->Command1);
        QVERIFY(samples()->wait(3000));
        QCOMPARE(samples()->count(), 1);
        QCOMPARE(window()->windowTitle(), QStringLiteral("One shot ") + kTemperature);
    }

    // OneShot pressed while a tick waits runs right after it, not inside it.
    void oneShotDuringAnExchangeWaitsItsTurn()
    {
        openRig({}, nullptr, 60, 300);
        QVERIFY(thermometer()->setMode(SimulatedThermometer::Mode::Silent));
        click(window()->Command2);
        QVERIFY(thermometer()->waitForQueries(1));
        click(window()->Command1);
        click(window()->Command3);
        QCOMPARE(thermometer()->queries(), 1);
        QVERIFY(thermometer()->setMode(SimulatedThermometer::Mode::Normal));
        QVERIFY(samples()->wait(3000));
        QCOMPARE(samples()->first().at(0).value<core::ExchangeForm>(), core::ExchangeForm::OneShot);
        QCOMPARE(thermometer()->queries(), 2);
        QCOMPARE(window()->windowTitle(), QStringLiteral("One shot ") + kTemperature);
        QCOMPARE(fileContents(), kFile);
    }

    // A port that is not open: the caption says so and nothing is written.
    void portNotOpen()
    {
        m_rig = std::make_unique<Rig>();
        m_rig->profile().linkCom(1, m_rig->profile().root() + QStringLiteral("/unplugged"));
        m_rig->openWindowOnly(50, 300);
        click(window()->Command1);
        QTRY_COMPARE(window()->windowTitle(),
                     m_rig->profile().portName(1) +
                         QStringLiteral(" is not open: there is no device behind COM1"));
        QVERIFY(!QFile::exists(weatherFile()));
    }

    // A write that fails keeps the old file and says why in every caption until a write
    // succeeds again.
    void failedWriteShowsUntilAWriteSucceeds()
    {
        openRig();
        click(window()->Command1);
        QVERIFY(samples()->wait(3000));
        QCOMPARE(fileContents(), kFile);

        window()->WXfile->selectAll();
        QTest::keyClicks(window()->WXfile, QStringLiteral("C:\\Missing\\WXprs.txt"));
        QTest::keyClick(window()->WXfile, Qt::Key_Return);
        m_rig->clock().set(QDateTime(QDate(2003, 3, 5), QTime(7, 5)));
        click(window()->Command1);
        QVERIFY(samples()->wait(3000));
        QVERIFY(!samples()->last().at(1).toBool());
        const QString failure = QStringLiteral("One shot ") + kTemperature +
                                QStringLiteral(" \u2013 cannot write C:\\Missing\\WXprs.txt: ");
        QVERIFY2(window()->windowTitle().startsWith(failure), qPrintable(window()->windowTitle()));
        QCOMPARE(fileContents(), kFile);
        QVERIFY(!QFile::exists(m_rig->profile().driveC() + QStringLiteral("/Missing")));

        click(window()->Command2);
        QVERIFY(samples()->wait(3000));
        QVERIFY(window()->windowTitle().contains(QStringLiteral("cannot write C:\\Missing")));
        click(window()->Command3);

        window()->WXfile->selectAll();
        QTest::keyClicks(window()->WXfile, QStringLiteral("C:\\UiView\\WXprs.txt"));
        QTest::keyClick(window()->WXfile, Qt::Key_Return);
        samples()->clear();
        click(window()->Command1);
        QTRY_VERIFY_WITH_TIMEOUT(!samples()->isEmpty() &&
                                     samples()->last().at(0).value<core::ExchangeForm>() ==
                                         core::ExchangeForm::OneShot,
                                 3000);
        QCOMPARE(window()->windowTitle(), QStringLiteral("One shot ") + kTemperature);
        QCOMPARE(fileContents(), QByteArray("Mar 05 2003 07:05\r\nABCDEFGHIJKLMNO\r\n"));
    }

    // The record holds each reading and failure with its time, keeps to its bound by starting
    // a new file, and a record that cannot be written leaves the readings alone.
    void recordOfReadings()
    {
        openRig({}, nullptr, 120, 400);
        const QString record = m_rig->profile().record().path();
        const QString prefix =
            QStringLiteral("2003-03-05 07:04:00 ") + m_rig->profile().portName(1);
        click(window()->Command1);
        QVERIFY(samples()->wait(3000));
        QVERIFY(thermometer()->setMode(SimulatedThermometer::Mode::Silent));
        click(window()->Command1);
        QTRY_VERIFY(window()->windowTitle().startsWith(QStringLiteral("The thermometer")));
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 prefix + QStringLiteral(": One shot ") + kTemperature +
                     QStringLiteral(", written to C:\\UiView\\WXprs.txt\n") + prefix +
                     QStringLiteral(": no reading: The thermometer did not answer on ") +
                     m_rig->profile().portName(1) + QLatin1Char('\n'));
        file.close();

        // Filled to its bound, the record starts afresh and keeps the full one as the older.
        QVERIFY(file.open(QIODevice::Append));
        file.write(QByteArray(qsizetype(core::kRecordFileBytes) - file.size(), 'x'));
        file.close();
        QVERIFY(thermometer()->setMode(SimulatedThermometer::Mode::Normal));
        click(window()->Command1);
        QVERIFY(samples()->wait(3000));
        QCOMPARE(QFileInfo(record + QStringLiteral(".1")).size(), qint64(core::kRecordFileBytes));
        QVERIFY(QFileInfo(record).size() < 200);

        // A file where the record's folder should be: nothing can be recorded, and the readings
        // go on as before.
        QDir(QFileInfo(record).path()).removeRecursively();
        QVERIFY(QFile(QFileInfo(record).path()).open(QIODevice::WriteOnly));
        QFile::remove(weatherFile());
        click(window()->Command1);
        QVERIFY(samples()->wait(3000));
        QCOMPARE(window()->windowTitle(), QStringLiteral("One shot ") + kTemperature);
        QCOMPARE(fileContents(), kFile);
    }

    // The clock is read once a write, so a write at midnight keeps date and time together.
    void midnight()
    {
        const SteppingClock clock(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59, 999)));
        openRig({}, &clock);
        click(window()->Command1);
        QVERIFY(samples()->wait(3000));
        QCOMPARE(fileContents(), QByteArray("Dec 31 2025 23:59\r\nABCDEFGHIJKLMNO\r\n"));
    }
};

QTEST_MAIN(TestMeasuring)
#include "tst_measuring.moc"
