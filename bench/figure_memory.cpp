#include "Child.h"
#include "Figures.h"
#include "Measure.h"
#include "Observed.h"
#include "Profile.h"
#include "SimulatedThermometer.h"
#include "Stage.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

namespace bench {

namespace {
constexpr int kTickIntervalMs = 2;
constexpr qint64 kGrowthLimitKiB = 256;
constexpr qint64 kPeakMarginKiB = 8 * 1024;

bool bareWindowMemory(const QString& log, const QStringList& arguments, Memory& memory,
                      QString& problem)
{
    Child child;
    QByteArray line;
    qint64 at = 0;
    if (!child.start(QStringLiteral(UIQ_BARE_WINDOW_PATH),
                     QStringList{QStringLiteral("--memory")} + arguments,
                     {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}}, log) ||
        !child.readLine("painted ", 20000, line, at)) {
        problem = QStringLiteral("bare window: %1").arg(child.problem());
        return false;
    }
    for (const QByteArray& field : line.split(' ')) {
        if (field.startsWith("rss="))
            memory.residentKiB = field.mid(4).toLongLong();
        else if (field.startsWith("peak="))
            memory.peakKiB = field.mid(5).toLongLong();
    }
    child.stop();
    return memory.residentKiB > 0;
}

} // namespace

// Ten thousand sampling ticks of the window, Start clicked, with the interval cut to a few
// milliseconds and the weather file written on every seventh; resident memory after the
// first thousand and at the end.
int figureMemory(const Run& run)
{
    const int early = run.smoke ? 7 : 1000;
    const int total = run.smoke ? 70 : 10000;
    Progress progress;
    Stage stage(progress);
    Memory bare;
    Memory bareWithText;
    QString problem;
    const QString log = stage.profile.root() + QStringLiteral("/stderr.log");
    if (!bareWindowMemory(log, {}, bare, problem) ||
        !bareWindowMemory(log, {QStringLiteral("--text")}, bareWithText, problem))
        return fail(problem);

    if (const std::optional<QString> notStarted = stage.start())
        return fail(*notStarted);
    SimulatedThermometer& thermometer = stage.thermometer;
    const QString weatherFile = stage.weatherFile();

    const auto window = openObservedWindow(stage.profile, stage.clock, kTickIntervalMs);
    if (!window)
        return fail(QStringLiteral("the window was not shown"));
    int samples = 0;
    int writes = 0;
    int failures = 0;
    QString lastFailure;
    QObject::connect(window.get(), &qt::Window::readingTaken, &progress,
                     [&](core::ExchangeForm, bool wrote) {
                         ++samples;
                         writes += wrote ? 1 : 0;
                         // Only the program's own growth may show in this figure.
                         thermometer.forgetTimes();
                         progress.notify();
                     });
    QObject::connect(window.get(), &ObservedWindow::exchangeEnded, &progress,
                     [&](qint64, bool tookReading) {
                         if (!tookReading) {
                             ++failures;
                             lastFailure = window->sessionCaption();
                         }
                     });

    QTest::mouseClick(window->Command2, Qt::LeftButton);
    if (window->windowTitle() != QStringLiteral("Started"))
        return fail(QStringLiteral("Start left the caption \"%1\"").arg(window->windowTitle()));
    const int limitMs = run.smoke ? 20000 : 600000;
    if (!progress.waitFor([&] { return samples >= early; }, limitMs))
        return fail(QStringLiteral("%1 samples in time, not %2").arg(samples).arg(early));
    const Memory atEarly = memoryOfThisProcess();
    const qint64 startedNs = monotonicNs();
    if (!progress.waitFor([&] { return samples >= total; }, limitMs))
        return fail(QStringLiteral("%1 samples in time, not %2").arg(samples).arg(total));
    const Memory atEnd = memoryOfThisProcess();
    const double elapsedNs = double(monotonicNs() - startedNs);
    QTest::mouseClick(window->Command3, Qt::LeftButton);

    if (failures > 0)
        return fail(
            QStringLiteral("%1 ticks failed, the last with \"%2\"").arg(failures).arg(lastFailure));
    if (writes != samples / 7 || !QFile::exists(weatherFile))
        return fail(QStringLiteral("%1 writes in %2 samples").arg(writes).arg(samples));
    if (!thermometer.problem().isEmpty())
        return fail(thermometer.problem());

    const qint64 growth = atEnd.residentKiB - atEarly.residentKiB;
    const qint64 overBare = atEnd.peakKiB - bare.residentKiB;
    row(QStringLiteral("5. Memory growth, tick %1 to %2").arg(early).arg(total),
        QStringLiteral("%1 (%2 to %3)")
            .arg(kib(growth), kib(atEarly.residentKiB), kib(atEnd.residentKiB)),
        QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("< %1").arg(kib(kGrowthLimitKiB)),
        growth < kGrowthLimitKiB);
    row(QStringLiteral("5. Peak memory over the bare window"),
        QStringLiteral("%1 peak").arg(kib(atEnd.peakKiB)),
        QStringLiteral("%1 bare").arg(kib(bare.residentKiB)),
        QStringLiteral("+%1").arg(kib(overBare)), QStringLiteral("<= +%1").arg(kib(kPeakMarginKiB)),
        overBare <= kPeakMarginKiB);
    note(QStringLiteral("5. Memory: %1 samples, %2 weather-file writes, ticks %3 to %4 took %5 "
                        "(%6 a tick); the harness shares the process, so its share counts too.")
             .arg(samples)
             .arg(writes)
             .arg(early)
             .arg(total)
             .arg(milliseconds(elapsedNs))
             .arg(milliseconds(elapsedNs / std::max(1, samples - early))));
    note(QStringLiteral("5. Memory: the bare window holding one line of text (fonts loaded) "
                        "keeps %1 resident, %2 more than without.")
             .arg(kib(bareWithText.residentKiB))
             .arg(kib(bareWithText.residentKiB - bare.residentKiB)));
    return 0;
}

} // namespace bench
