#include "Figures.h"
#include "Measure.h"
#include "Observed.h"
#include "Profile.h"
#include "SimulatedThermometer.h"
#include "Stage.h"

#include <QDateTime>
#include <QFile>
#include <QPushButton>
#include <QTest>

namespace bench {

namespace {

constexpr int kTicksPerWrite = 7;
// A reply takes 64 ms on the wire; the next tick finds the line quiet for over 20 ms.
constexpr int kTickMs = 90;
const QDateTime kStart(QDate(2003, 3, 5), QTime(7, 0));

// What the file must hold after a tick at this minute: the host program's date line and the
// weather field of the simulator's reply.
QByteArray fileAt(const QDateTime& when)
{
    return "Mar 05 2003 " + when.time().toString(QStringLiteral("hh:mm")).toLatin1() +
           "\r\nABCDEFGHIJKLMNO\r\n";
}

} // namespace

// From the simulator writing the last byte of a reply to the window having shown the
// temperature and, on every seventh tick, replaced the weather file: the window's `sampled`
// signal. The ticks come from the window's own timer, one every 90 ms.
int figureLatency(const Run& run)
{
    const int writes = run.smoke ? 1 : 100;
    const int ticks = writes * kTicksPerWrite;
    Progress progress;
    Stage stage(progress,
                {QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("--reply"),
                 simulatorText(kWholeReply)},
                kStart);
    SimulatedThermometer& thermometer = stage.thermometer;
    FixedClock& clock = stage.clock;
    // The time of the last byte of the reply to each query, by query number.
    std::vector<qint64> replyTimes(std::size_t(ticks) + 8, -1);
    QObject::connect(&thermometer, &SimulatedThermometer::replied, &progress,
                     [&](int query, qint64 at) {
                         if (query > 0 && std::size_t(query) < replyTimes.size())
                             replyTimes[std::size_t(query)] = at;
                     });
    if (const std::optional<QString> problem = stage.start())
        return fail(*problem);
    const QString weatherFile = stage.weatherFile();

    const auto window = openObservedWindow(stage.profile, clock, kTickMs);
    if (!window)
        return fail(QStringLiteral("the window was not shown"));
    if (window->windowTitle() != QStringLiteral("Stopped"))
        return fail(QStringLiteral("the window starts with \"%1\"").arg(window->windowTitle()));

    struct Sample
    {
        qint64 shownAt;
        qint64 at;
        qint64 faults;
        bool wrote;
        QString caption;
        QByteArray file;
        QByteArray expected;
    };
    const auto fileNow = [&] {
        QFile file(weatherFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    std::vector<Sample> samples;
    samples.reserve(std::size_t(ticks) + 8);
    int started = 0;
    int failures = 0;
    QString lastFailure;
    // The window shows the weather text before the file is written, so this splits a writing
    // tick into reading and showing, and writing and the caption.
    qint64 shownAt = 0;
    qint64 faultsAtStart = 0;
    QByteArray expected;
    // Each tick runs at a minute of its own, so a writing tick must replace the file with new
    // text, through the same rename over the old file that the program makes every 70 s.
    QObject::connect(window.get(), &ObservedWindow::exchangeStarted, &progress, [&] {
        ++started;
        clock.set(kStart.addSecs(60 * started));
        if (started % kTicksPerWrite == 0)
            expected = fileAt(kStart.addSecs(60 * started));
        const Faults faults = faultsOfThisProcess();
        faultsAtStart = faults.minor + faults.major;
        shownAt = 0;
    });
    QObject::connect(window.get(), &ObservedWindow::weatherTextShown, &progress,
                     [&](qint64 at) { shownAt = at; });
    QObject::connect(
        window.get(), &qt::Window::readingTaken, &progress, [&](core::ExchangeForm, bool wrote) {
            const qint64 at = monotonicNs();
            const Faults faults = faultsOfThisProcess();
            samples.push_back({shownAt, at, faults.minor + faults.major - faultsAtStart, wrote,
                               window->windowTitle(), fileNow(), expected});
        });
    QObject::connect(window.get(), &ObservedWindow::exchangeEnded, &progress,
                     [&](qint64, bool tookReading) {
                         if (!tookReading) {
                             ++failures;
                             lastFailure = window->sessionCaption();
                         }
                         progress.notify();
                     });

    QTest::mouseClick(window->Command2, Qt::LeftButton);
    const bool done = progress.waitFor(
        [&] {
            return failures > 0 || (int(samples.size()) >= ticks && thermometer.replies() >= ticks);
        },
        ticks * 1000 + 10000);
    QTest::mouseClick(window->Command3, Qt::LeftButton);
    if (failures > 0)
        return fail(QStringLiteral("tick %1 failed: \"%2\"").arg(started).arg(lastFailure));
    if (!done)
        return fail(QStringLiteral("%1 of %2 ticks brought a sample; the caption says \"%3\"")
                        .arg(samples.size())
                        .arg(ticks)
                        .arg(window->windowTitle()));

    const QString caption = QStringLiteral("+23.4\u00b0C");
    std::vector<double> writing;
    std::vector<double> showing;
    std::vector<double> untilShown;
    std::vector<double> shownToDone;
    std::vector<double> writingFaults;
    int stampedLate = 0;
    for (int tick = 1; tick <= ticks; ++tick) {
        const Sample& sample = samples[std::size_t(tick - 1)];
        const bool due = tick % kTicksPerWrite == 0;
        if (sample.wrote != due || sample.file != sample.expected || sample.caption != caption)
            return fail(QStringLiteral("tick %1: wrote %2, caption \"%3\", file \"%4\"")
                            .arg(tick)
                            .arg(sample.wrote)
                            .arg(sample.caption)
                            .arg(QString::fromLatin1(sample.file.simplified())));
        const qint64 lastByteAt = replyTimes[std::size_t(tick)];
        if (lastByteAt < 0)
            return fail(QStringLiteral("the simulator did not report reply %1").arg(tick));
        // The simulator reads its clock once write() has returned; a simulator that lost its
        // core in between stamps the byte after the window took the reading. Such a tick has
        // no time to count, and the note says how many there were.
        if (lastByteAt > sample.at) {
            ++stampedLate;
            continue;
        }
        const double latency = double(sample.at - lastByteAt);
        (due ? writing : showing).push_back(latency);
        if (due) {
            untilShown.push_back(double(sample.shownAt - lastByteAt));
            shownToDone.push_back(double(sample.at - sample.shownAt));
            writingFaults.push_back(double(sample.faults));
        }
    }
    if (!thermometer.problem().isEmpty())
        return fail(thermometer.problem());

    const double middle = median(writing);
    row(QStringLiteral("2. After the last byte, writing tick, median (%1)").arg(writing.size()),
        milliseconds(middle), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("< 2 ms"),
        middle < 2e6);
    reported(QStringLiteral("2. After the last byte, writing tick, p99"),
             milliseconds(percentile(writing, 99)), QStringLiteral("-"), QStringLiteral("-"));
    note(QStringLiteral("2. After the last byte, ticks that only show the temperature (%1): "
                        "median %2, p99 %3. Ticks left out because the simulator stamped the "
                        "reply's last byte after the window had taken it: %4.")
             .arg(showing.size())
             .arg(milliseconds(median(showing)))
             .arg(milliseconds(percentile(showing, 99)))
             .arg(stampedLate));
    note(QStringLiteral("2. After the last byte, writing ticks split: to the weather text shown "
                        "in the window, median %1 (p99 %2); from there to the file replaced and "
                        "the caption set, median %3 (p99 %4); page faults in a writing tick, "
                        "median %5.")
             .arg(milliseconds(median(untilShown)))
             .arg(milliseconds(percentile(untilShown, 99)))
             .arg(milliseconds(median(shownToDone)))
             .arg(milliseconds(percentile(shownToDone, 99)))
             .arg(median(writingFaults)));
    return 0;
}

} // namespace bench
