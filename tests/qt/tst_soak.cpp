#include "Resident.h"
#include "Rig.h"

#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTest>

namespace {

// A day is 8640 ticks of 10 seconds; CI runs a short version unless told otherwise.
int soakTicks()
{
    const int ticks = qEnvironmentVariableIntValue("UIQ_SOAK_TICKS");
    return ticks > 0 ? ticks : 1000;
}

} // namespace

// Weeks of running, shortened: many ticks at a short interval with the clock moving ten
// seconds a tick, while another process reads the weather file in a loop.
class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void dayOfTicks()
    {
        const int ticks = soakTicks();
        Rig rig;
        QVERIFY(rig.open({}, 8, 300));
        const QDateTime start(QDate(2026, 12, 8), QTime(0, 0));
        rig.clock().set(start);

        int failures = 0;
        qint64 earlyResident = 0;
        connect(&rig.window(), &QWidget::windowTitleChanged, this, [&](const QString& caption) {
            if (!caption.endsWith(QStringLiteral("\u00b0C")) &&
                caption != QStringLiteral("Started") && caption != QStringLiteral("Stopped"))
                ++failures;
        });
        // Bookkeeping of this test must not grow with the run, or it would hide the program's.
        std::vector<bool> writes(size_t(ticks) + 1, false);
        int done = 0;
        connect(&rig.window(), &qt::Window::readingTaken, this,
                [&](core::ExchangeForm, bool wrote) {
                    writes[size_t(done)] = wrote;
                    ++done;
                    rig.samples().clear();
                    rig.thermometer().forgetTimes();
                    rig.clock().set(start.addSecs(10LL * done));
                    if (done == ticks / 10)
                        earlyResident = residentKiB();
                    if (done == ticks)
                        Rig::click(rig.window().Command3);
                });

        QProcess reader;
        reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        reader.start(QStringLiteral(UIQ_WX_READER_PATH), {rig.weatherFile()});
        QVERIFY(reader.waitForStarted());

        Rig::click(rig.window().Command2);
        QTRY_COMPARE_WITH_TIMEOUT(done, ticks, ticks * 50);
        QCOMPARE(rig.window().windowTitle(), QStringLiteral("Stopped"));
        const qint64 lateResident = residentKiB();

        reader.closeWriteChannel();
        QVERIFY(reader.waitForFinished(10000));
        const QByteArray report = reader.readAllStandardOutput().trimmed();
        const QList<QByteArray> words = report.split(' ');
        QCOMPARE(words.size(), 9);

        // Every tick asked once and was answered once; every seventh wrote the file.
        QCOMPARE(failures, 0);
        QCOMPARE(rig.thermometer().queries(), ticks);
        // At this shortened interval a busy machine lets a few ticks go while the one before
        // is still being answered.
        const long letGo = rig.window().session().ticksLetGo();
        for (int i = 0; i < ticks; ++i)
            QVERIFY2(writes[i] == ((i + 1) % 7 == 0), qPrintable(QString::number(i)));

        // The reader never saw a partial, empty or mixed file, and saw the last one written.
        QVERIFY2(words[1].toLong() > 0, report.constData());
        QVERIFY2(words[3] == "0", report.constData());
        const QDateTime lastWrite = start.addSecs(10LL * ((ticks / 7) * 7 - 1));
        QCOMPARE(QString::fromLatin1(report.mid(report.indexOf("last ") + 5)),
                 QLocale::c().toString(lastWrite, QStringLiteral("MMM dd yyyy hh:mm")));

        // Memory stays flat once running. AddressSanitizer holds freed memory back on purpose,
        // so under it resident memory says nothing about the program.
#ifndef __SANITIZE_ADDRESS__
        QVERIFY2(lateResident - earlyResident < 256,
                 qPrintable(QStringLiteral("resident memory grew from %1 KiB to %2 KiB")
                                .arg(earlyResident)
                                .arg(lateResident)));
#endif
        qInfo("%d ticks (%ld let go while busy), %s reads of the file, resident %lld KiB -> %lld "
              "KiB",
              ticks, letGo, words[1].constData(), earlyResident, lateResident);
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
