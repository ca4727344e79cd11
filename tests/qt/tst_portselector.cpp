#include "Profile.h"
#include "SimulatedThermometer.h"
#include "core/PortChoice.h"
#include "qt/Window.h"

#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTest>

// Choosing the port with the ComPort box and its arrows, with simulated thermometers as
// COM1 to COM3.
class TestPortSelector : public QObject
{
    Q_OBJECT

    std::unique_ptr<Profile> m_profile;
    std::vector<std::unique_ptr<SimulatedThermometer>> m_thermometers;
    FixedClock m_clock;
    std::unique_ptr<qt::Window> m_window;
    std::unique_ptr<QSignalSpy> m_opens;

    QString device(int com) const { return m_thermometers.at(com - 1)->devicePath(); }

    QString savedPort() const { return m_profile->stored("CPort"); }

    void retype(const QString& text)
    {
        m_window->CPort->selectAll();
        if (text.isEmpty())
            QTest::keyClick(m_window->CPort, Qt::Key_Delete);
        else
            QTest::keyClicks(m_window->CPort, text);
    }

    void clickArrow(QStyle::SubControl arrow)
    {
        QScrollBar* bar = m_window->VScroll1;
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->value();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        const QRect rect = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, arrow, bar);
        QTest::mouseClick(bar, Qt::LeftButton, {}, rect.center());
    }

    // A OneShot reaches the thermometer behind the port that is open.
    bool oneShotReaches(int com)
    {
        SimulatedThermometer& thermometer = *m_thermometers.at(com - 1);
        const int before = thermometer.queries();
        QTest::mouseClick(m_window->Command1, Qt::LeftButton);
        return thermometer.waitForQueries(before + 1, 3000);
    }

private slots:
    void init()
    {
        m_profile = std::make_unique<Profile>();
        m_thermometers.clear();
        for (int com = 1; com <= 3; ++com) {
            m_thermometers.push_back(std::make_unique<SimulatedThermometer>(
                QStringList{QStringLiteral("--baud"), QStringLiteral("9600")}));
            QVERIFY(m_thermometers.back()->start());
            m_profile->linkCom(com, m_thermometers.back()->devicePath());
        }
        m_profile->linkCom(4, m_profile->root() + QStringLiteral("/no-such-tty"));
        m_window = openWindow(*m_profile, m_clock, 10000, 500);
        m_opens = std::make_unique<QSignalSpy>(&m_window->serialPort(), &qt::SerialPort::opened);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QCOMPARE(m_window->serialPort().devicePath(), device(1));
    }

    void cleanup()
    {
        m_opens.reset();
        m_window.reset();
        m_thermometers.clear();
        m_profile.reset();
    }

    // Overtyping "1" with "2": saved, COM2 opened at 9600,n,8,2 with DTR and RTS, thumb up.
    void typingANewPort()
    {
        retype(QStringLiteral("2"));
        QCOMPARE(savedPort(), QStringLiteral("2"));
        QCOMPARE(m_opens->count(), 1);
        QCOMPARE(m_opens->first().at(0).toString(), device(2));
        QVERIFY(m_window->serialPort().isOpen());
        QCOMPARE(m_window->session().commPort(), 2);
        QCOMPARE(m_window->serialPort().lineSettings(), QStringLiteral("9600,n,8,2"));
        QVERIFY(m_window->serialPort().controlLinesRaised());
        QCOMPARE(m_window->VScroll1->value(), 3);
        QVERIFY(oneShotReaches(2));
    }

    // The up arrow raises the port number; the down arrow lowers it.
    void arrowsStepThePort()
    {
        retype(QStringLiteral("2"));
        m_opens->clear();
        clickArrow(QStyle::SC_ScrollBarSubLine);
        QCOMPARE(m_window->CPort->text(), QStringLiteral("3"));
        QCOMPARE(m_window->VScroll1->value(), 2);
        QCOMPARE(m_opens->count(), 1);
        QCOMPARE(m_opens->first().at(0).toString(), device(3));
        QCOMPARE(savedPort(), QStringLiteral("3"));

        clickArrow(QStyle::SC_ScrollBarAddLine);
        QCOMPARE(m_window->CPort->text(), QStringLiteral("2"));
        QCOMPARE(m_window->serialPort().devicePath(), device(2));
    }

    // "03" pasted over the text becomes "3"; the port is opened twice, "3" is saved.
    void pastingAnotherFormOfANumber()
    {
        QApplication::clipboard()->setText(QStringLiteral("03"));
        m_window->CPort->selectAll();
        QTest::keySequence(m_window->CPort, QKeySequence::Paste);
        QCOMPARE(m_window->CPort->text(), QStringLiteral("3"));
        QCOMPARE(m_opens->count(), 2);
        for (const auto& open : *m_opens)
            QCOMPARE(open.at(0).toString(), device(3));
        QCOMPARE(savedPort(), QStringLiteral("3"));
        QCOMPARE(m_window->VScroll1->value(), 2);
    }

    // A pasted text that names no port keeps the open line, the saved value and the scroll
    // bar, stays as typed, and says why; a good port afterwards opens as ever. (Which texts
    // name a port is the session's rule, tested in the core.)
    void aTextThatIsNoPort()
    {
        const QString typed = QStringLiteral("1x");
        const QString caption = QStringLiteral("\"1x\" is not a port number");
        retype(QStringLiteral("2"));
        m_opens->clear();
        // Pasted, so the whole text arrives in one change.
        QApplication::clipboard()->setText(typed);
        m_window->CPort->selectAll();
        QTest::keySequence(m_window->CPort, QKeySequence::Paste);
        QCOMPARE(m_window->CPort->text(), typed);
        QCOMPARE(m_window->windowTitle(), caption);
        QCOMPARE(m_opens->count(), 0);
        QCOMPARE(savedPort(), QStringLiteral("2"));
        QCOMPARE(m_window->VScroll1->value(), 3);
        QCOMPARE(m_window->serialPort().devicePath(), device(2));
        QVERIFY(oneShotReaches(2));
        QTRY_VERIFY(m_window->windowTitle().startsWith(QStringLiteral("One shot ")));

        retype(QStringLiteral("3"));
        QCOMPARE(m_window->serialPort().devicePath(), device(3));
    }

    // A port that cannot be opened is saved as typed and named in the caption; a good port
    // afterwards opens normally.
    void portThatCannotBeOpened()
    {
        retype(QStringLiteral("4"));
        QCOMPARE(m_window->windowTitle(),
                 m_profile->portName(4) +
                     QStringLiteral(" cannot be opened: there is no device behind COM4"));
        QVERIFY(!m_window->serialPort().isOpen());
        QCOMPARE(savedPort(), QStringLiteral("4"));

        QTest::mouseClick(m_window->Command2, Qt::LeftButton);
        retype(QStringLiteral("0"));
        QCOMPARE(m_window->windowTitle(),
                 QStringLiteral("COM0 cannot be opened: there is no COM0"));
        QCOMPARE(m_window->VScroll1->value(), 5);

        retype(QStringLiteral("1"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Started"));
        QVERIFY(m_window->serialPort().isOpen());
        QVERIFY(oneShotReaches(1));
    }

    // A USB adapter far up the numbers: COM33 named in the Wine prefix's registry is typed and
    // read, with the thumb at the top; COM7 stored is opened at start-up and read.
    void portsPastTheArrows()
    {
        QFile registry(m_profile->winePrefix() + QStringLiteral("/system.reg"));
        QVERIFY(registry.open(QIODevice::WriteOnly));
        registry.write("WINE REGISTRY Version 2\n\n[Software\\\\Wine\\\\Ports] 1700000001\n"
                       "\"COM33\"=\"" +
                       QFile::encodeName(device(3)) + "\"\n");
        registry.close();
        retype(QStringLiteral("33"));
        QCOMPARE(m_window->serialPort().devicePath(), device(3));
        QCOMPARE(m_window->VScroll1->value(), 0);
        QCOMPARE(savedPort(), QStringLiteral("33"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Stopped"));
        QVERIFY(oneShotReaches(3));

        m_window.reset();
        m_profile->linkCom(7, device(2));
        m_profile->writeSettingsText("[Config]\nCPort=7\n");
        m_window = openWindow(*m_profile, m_clock, 10000, 500);
        QCOMPARE(m_window->serialPort().devicePath(), device(2));
        QCOMPARE(m_window->CPort->text(), QStringLiteral("7"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Stopped"));
        QVERIFY(oneShotReaches(2));
    }
};

QTEST_MAIN(TestPortSelector)
#include "tst_portselector.moc"
