#include "Profile.h"
#include "Rig.h"
#include "qt/Window.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

// The window as the user first sees it: layout, texts, focus and keys.
class TestWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<SimulatedThermometer> m_thermometer;
    FixedClock m_clock;
    std::unique_ptr<qt::Window> m_window;

private slots:
    void init()
    {
        m_profile = std::make_unique<Profile>();
        m_thermometer = std::make_unique<SimulatedThermometer>();
        QVERIFY(m_thermometer->start());
        m_profile->linkCom(1, m_thermometer->devicePath());
        m_window = openWindow(*m_profile, m_clock);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
        m_thermometer.reset();
        m_profile.reset();
    }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("text");
        auto row = [](const char* name, int l, int t, int w, int h, const char* text) {
            QTest::newRow(name) << QString::fromLatin1(name) << QRect(l, t, w, h)
                                << QString::fromUtf8(text);
        };
        row("Command1", 1560, 120, 975, 375, "OneShot");
        row("Text1", 2760, 120, 1695, 495, "Text1");
        row("Command2", 240, 120, 495, 375, "Start");
        row("Command3", 840, 120, 495, 375, "Stop");
        row("CPort", 1200, 720, 495, 375, "1");
        row("VScroll1", 1680, 720, 375, 375, "");
        row("Label1", 360, 720, 735, 255, "ComPort");
        row("Label2", 240, 1800, 4215, 195, "UiView Quorvix Thermometer");
        row("Label3", 240, 2040, 4215, 195, "v0.1");
        row("Label4", 120, 2280, 4455, 195, "created by Zelmorix");
        row("WXfile", 120, 1320, 4455, 375, "C:\\UiView\\WXprs.txt");
        row("Label7", 120, 1080, 975, 255, "WX file path");
        row("Label5", 2880, 720, 1335, 255, "Fixed sample rate");
        row("Label6", 2160, 960, 2415, 255, "display 1 per 10s, file 1 per min");
    }

    // Every control at its place and size (15 twips to a pixel), with its text after start-up,
    // still there after the window is enlarged, and readable in full.
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, text);
        auto* control = m_window->findChild<QWidget*>(name);
        QVERIFY(control);
        const QRect expected(twips.x() / 15, twips.y() / 15, twips.width() / 15,
                             twips.height() / 15);
        QCOMPARE(control->geometry(), expected);
        m_window->resize(900, 700);
        QCOMPARE(control->geometry(), expected);
        m_window->showMaximized();
        QCOMPARE(control->geometry(), expected);

        QString shown;
        if (auto* button = qobject_cast<QPushButton*>(control))
            shown = button->text();
        else if (auto* label = qobject_cast<QLabel*>(control))
            shown = label->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(control))
            shown = edit->text();
        else if (auto* box = qobject_cast<QPlainTextEdit*>(control))
            shown = box->toPlainText();
        QCOMPARE(shown, text);
        const QFontMetrics metrics(control->font());
        QVERIFY2(metrics.horizontalAdvance(text) <= control->width(), qPrintable(name));
        QVERIFY2(metrics.height() <= control->height(), qPrintable(name));
    }

    void windowAfterStartUp()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Stopped"));
        QCOMPARE(m_window->size(), QSize(312, 168));
        QCOMPARE(m_window->objectName(), QStringLiteral("UiQuorvix"));
        const QList<QSize> sizes = m_window->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
        QVERIFY(m_window->Label2->alignment() & Qt::AlignHCenter);
        QVERIFY(m_window->Label1->alignment() & Qt::AlignLeft);
    }

    // The scroll bar stands for port 1 and runs upside down; the timer waits for Start.
    void scrollBar()
    {
        QScrollBar* bar = m_window->VScroll1;
        QCOMPARE(bar->orientation(), Qt::Vertical);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 5);
        QCOMPARE(bar->value(), 4);
        QCOMPARE(bar->singleStep(), 1);
        QCOMPARE(bar->pageStep(), 2);
        QVERIFY(!m_window->session().started());
    }

    // One notch of the mouse wheel over the scroll bar steps the port by one, as an arrow
    // does: wheeling up from port 1 gives 2, never skips to 3.
    void wheelStepsOnePort()
    {
        QScrollBar* bar = m_window->VScroll1;
        const QPoint centre = bar->rect().center();
        QWheelEvent notch(centre, bar->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &notch);
        QCOMPARE(m_window->CPort->text(), QStringLiteral("2"));
        QCOMPARE(bar->value(), 3);
        QWheelEvent back(centre, bar->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &back);
        QCOMPARE(m_window->CPort->text(), QStringLiteral("1"));
    }

    void focusAndTabOrder()
    {
        QTRY_COMPARE(QApplication::focusWidget(), m_window->Command1);
        const QList<QWidget*> order{m_window->Text1,   m_window->Command2, m_window->Command3,
                                    m_window->CPort,   m_window->VScroll1, m_window->WXfile,
                                    m_window->Command1};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    // Enter and the space bar press the OneShot button that has the focus.
    void enterAndSpacePressOneShot()
    {
        QSignalSpy clicks(m_window->Command1, &QPushButton::clicked);
        QTRY_COMPARE(QApplication::focusWidget(), m_window->Command1);
        QTest::keyClick(m_window->Command1, Qt::Key_Return);
        QTest::keyClick(m_window->Command1, Qt::Key_Enter);
        QTest::keyClick(m_window->Command1, Qt::Key_Space);
        QCOMPARE(clicks.count(), 3);
    }

    // The weather file goes to the path as it stood when editing last finished: a writing
    // tick while a new path is half typed leaves a file that bears the half-typed name alone.
    void halfTypedPathIsNeverWritten()
    {
        Rig rig;
        QVERIFY(rig.open({}, 60));
        QTemporaryDir dir;
        const QString notes = dir.filePath(QStringLiteral("notes"));
        QFile file(notes);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("my notes\n") == 9);
        file.close();

        qt::Window& window = rig.window();
        QTest::mouseClick(window.Command2, Qt::LeftButton);
        window.WXfile->setFocus();
        window.WXfile->selectAll();
        QTest::keyClicks(window.WXfile, notes);
        QTRY_VERIFY_WITH_TIMEOUT(rig.writes().contains(true), 5000);
        QVERIFY(QFile::exists(rig.weatherFile()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("my notes\n"));
        file.close();

        QTest::keyClick(window.WXfile, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(rig.writes().count(true) == 2, 5000);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("Mar 05 2003 07:04\r\n"));
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
