#include "Figures.h"
#include "Measure.h"
#include "Profile.h"
#include "SimulatedThermometer.h"
#include "ui/UiQuorvix.h"

#include <QDateTime>
#include <QFile>
#include <QTest>

namespace bench {

namespace {

constexpr int kTicksPerWrite = 7;
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
// temperature and, on every seventh tick, replaced the weather file. The ticks are those of
// the window's own timer handler; the next one comes once the line is idle again.
int figureLatency(const Run& run)
{
    const int writes = run.smoke ? 1 : 100;
    const int ticks = writes * kTicksPerWrite;
    Progress progress;
    Profile profile;
    FixedClock clock(kStart);
    SimulatedThermometer thermometer({QStringLiteral("--baud"), QStringLiteral("9600"),
                                      QStringLiteral("--reply"), simulatorText(kWholeReply)});
    QObject::connect(&thermometer, &SimulatedThermometer::progressed, &progress, &Progress::notify);
    if (!thermometer.start())
        return fail(thermometer.problem());
    // The time of the last byte of the reply to each query, by query number.
    std::vector<qint64> replyTimes(std::size_t(ticks) + 1, -1);
    QObject::connect(&thermometer, &SimulatedThermometer::replied, &progress,
                     [&](int query, qint64 at) {
                         if (query > 0 && std::size_t(query) < replyTimes.size())
                             replyTimes[std::size_t(query)] = at;
                     });
    profile.linkCom(1, thermometer.devicePath());
    const QString weatherFile = profile.driveC() + QStringLiteral("/UiView/WXprs.txt");

    const auto window = openWindow(profile, clock);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return fail(QStringLiteral("the window was not shown"));
    if (window->windowTitle() != QStringLiteral("Stopped"))
        return fail(QStringLiteral("the window starts with \"%1\"").arg(window->windowTitle()));

    struct Sample
    {
        qint64 composedAt;
        qint64 at;
        qint64 faults;
        bool wrote;
        QString caption;
        QByteArray file;
    };
    const auto fileNow = [&] {
        QFile file(weatherFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    std::vector<Sample> samples;
    samples.reserve(std::size_t(ticks));
    QString lastStatus;
    // The window shows the new text before the file is written, so this splits a writing
    // tick into reading and showing, and writing and the caption.
    qint64 composedAt = 0;
    qint64 faultsAtTick = 0;
    QObject::connect(&window->sampler(), &Sampler::weatherTextComposed, &progress,
                     [&] { composedAt = monotonicNs(); });
    QObject::connect(&window->sampler(), &Sampler::status, &progress,
                     [&](const QString& caption) { lastStatus = caption; });
    // The sampler reports a sample after it has written the file and set the caption.
    QObject::connect(
        &window->sampler(), &Sampler::sampled, &progress, [&](Exchange::Form, bool wrote) {
            const qint64 at = monotonicNs();
            const Faults faults = faultsOfThisProcess();
            samples.push_back({composedAt, at, faults.minor + faults.major - faultsAtTick, wrote,
                               window->windowTitle(), fileNow()});
            composedAt = 0;
            progress.notify();
        });

    const QString caption = QStringLiteral("+23.4\u00b0C");
    std::vector<double> writing;
    std::vector<double> showing;
    std::vector<double> untilComposed;
    std::vector<double> composedToDone;
    std::vector<double> writingFaults;
    // Each tick runs at a minute of its own, so a writing tick must replace the file with new
    // text, through the same rename over the old file that the program makes every 70 s.
    QByteArray expected;
    for (int tick = 1; tick <= ticks; ++tick) {
        clock.set(kStart.addSecs(60 * tick));
        const Faults faults = faultsOfThisProcess();
        faultsAtTick = faults.minor + faults.major;
        window->OnTimer1Tick();
        if (!progress.waitFor(
                [&] { return int(samples.size()) >= tick && thermometer.replies() >= tick; }, 5000))
            return fail(QStringLiteral("tick %1 brought no sample; the caption says \"%2\"")
                            .arg(tick)
                            .arg(lastStatus));
        const Sample& sample = samples.back();
        const bool due = tick % kTicksPerWrite == 0;
        if (due)
            expected = fileAt(clock.now());
        if (sample.wrote != due || sample.file != expected || sample.caption != caption)
            return fail(QStringLiteral("tick %1: wrote %2, caption \"%3\", file \"%4\"")
                            .arg(tick)
                            .arg(sample.wrote)
                            .arg(sample.caption)
                            .arg(QString::fromLatin1(sample.file.simplified())));
        const qint64 lastByteAt = replyTimes[std::size_t(tick)];
        const double latency = double(sample.at - lastByteAt);
        (due ? writing : showing).push_back(latency);
        if (due) {
            untilComposed.push_back(double(sample.composedAt - lastByteAt));
            composedToDone.push_back(double(sample.at - sample.composedAt));
            writingFaults.push_back(double(sample.faults));
        }
    }

    const double middle = median(writing);
    row(QStringLiteral("2. After the last byte, writing tick, median (%1)").arg(writes),
        milliseconds(middle), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("< 2 ms"),
        middle < 2e6);
    reported(QStringLiteral("2. After the last byte, writing tick, p99"),
             milliseconds(percentile(writing, 99)), QStringLiteral("-"), QStringLiteral("-"));
    note(QStringLiteral("2. After the last byte, ticks that only show the temperature (%1): "
                        "median %2, p99 %3.")
             .arg(showing.size())
             .arg(milliseconds(median(showing)))
             .arg(milliseconds(percentile(showing, 99))));
    note(QStringLiteral("2. After the last byte, writing ticks split: to the text shown in the "
                        "window, median %1 (p99 %2); from there to the file replaced and the "
                        "caption set, median %3 (p99 %4); page faults in a writing tick, "
                        "median %5.")
             .arg(milliseconds(median(untilComposed)))
             .arg(milliseconds(percentile(untilComposed, 99)))
             .arg(milliseconds(median(composedToDone)))
             .arg(milliseconds(percentile(composedToDone, 99)))
             .arg(median(writingFaults)));
    return 0;
}

} // namespace bench
