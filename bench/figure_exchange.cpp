#include "Figures.h"
#include "Measure.h"
#include "Profile.h"
#include "SimulatedThermometer.h"
#include "core/ExchangeMachine.h"
#include "link/Exchange.h"
#include "link/MSComm.h"

namespace bench {

namespace {
constexpr double kBaud = 9600;
constexpr double kBitsPerCharacter = 11;
constexpr int kCommandLength = 2;
} // namespace

// Command written to the whole reply handed over, for the sampling form, against a line paced
// like the real one. The exchange runs on its own line object, so nothing but this figure
// listens to its signals and the time stops where the reply is handed over.
int figureExchange(const Run& run)
{
    const int count = run.smoke ? 5 : 200;
    Progress progress;
    Profile profile;
    SimulatedThermometer thermometer({QStringLiteral("--baud"), QStringLiteral("9600"),
                                      QStringLiteral("--reply"), simulatorText(kWholeReply)});
    QObject::connect(&thermometer, &SimulatedThermometer::progressed, &progress, &Progress::notify);
    if (!thermometer.start())
        return fail(thermometer.problem());
    profile.linkCom(1, thermometer.devicePath());

    MSComm line(profile.dosDevices());
    line.setCommPort(1);
    line.setSettings(QStringLiteral("9600,n,8,2"));
    if (!line.setPortOpen(true))
        return fail(QStringLiteral("COM1 did not open: %1").arg(line.lastError()));
    line.setDTREnable(true);
    line.setRTSEnable(true);

    Exchange exchange(line);
    qint64 readyAt = 0;
    QByteArray reply;
    QString failure;
    QObject::connect(&exchange, &Exchange::replied, &progress,
                     [&](Exchange::Form, const QByteArray& bytes) {
                         readyAt = monotonicNs();
                         reply = bytes;
                         progress.notify();
                     });
    QObject::connect(&exchange, &Exchange::failed, &progress,
                     [&](Exchange::Form, const QString& reason) {
                         failure = reason;
                         progress.notify();
                     });

    std::vector<double> times;
    std::vector<double> ratios;
    double reference = 0;
    for (int i = 1; i <= count; ++i) {
        if (exchange.busy())
            return fail(QStringLiteral("exchange %1 would start while one runs").arg(i));
        readyAt = 0;
        const qint64 sentAt = monotonicNs();
        exchange.request(Exchange::Form::Sampling);
        if (!progress.waitFor([&] { return readyAt != 0 || !failure.isEmpty(); }, 5000))
            return fail(QStringLiteral("exchange %1 got no outcome").arg(i));
        if (!failure.isEmpty())
            return fail(QStringLiteral("exchange %1 failed: %2").arg(i).arg(failure));
        if (reply != kWholeReply)
            return fail(QStringLiteral("exchange %1 took \"%2\"")
                            .arg(i)
                            .arg(QString::fromLatin1(reply.toPercentEncoding(" /+"))));
        // The next command goes out only once the simulator has finished this reply, so every
        // exchange starts on an idle line.
        if (!progress.waitFor([&] { return thermometer.replies() >= i; }, 5000))
            return fail(QStringLiteral("the simulator did not finish reply %1").arg(i));
        reference = (kCommandLength + reply.size()) * kBitsPerCharacter / kBaud * 1e9;
        times.push_back(double(readyAt - sentAt));
        ratios.push_back(double(readyAt - sentAt) / reference);
    }
    if (thermometer.queries() != count || !thermometer.problem().isEmpty())
        return fail(QStringLiteral("the simulator saw %1 commands for %2 exchanges %3")
                        .arg(thermometer.queries())
                        .arg(count)
                        .arg(thermometer.problem()));

    const double medianRatio = median(ratios);
    const double p99Ratio = percentile(ratios, 99);
    const QString referenceText = QStringLiteral("%1 (%2+%3 chars)")
                                      .arg(milliseconds(reference))
                                      .arg(kCommandLength)
                                      .arg(kWholeReply.size());
    row(QStringLiteral("1. Exchange, median (%1 exchanges)").arg(count),
        milliseconds(median(times)), referenceText, QString::number(medianRatio, 'f', 3),
        QStringLiteral("<= 1.05"), medianRatio <= 1.05);
    row(QStringLiteral("1. Exchange, p99"), milliseconds(percentile(times, 99)), referenceText,
        QString::number(p99Ratio, 'f', 3), QStringLiteral("<= 1.05"), p99Ratio <= 1.05);
    note(QStringLiteral("1. Exchange: fastest %1, slowest %2. The pseudo-terminal carries the "
                        "2-character command at once, so the wire-paced part is the reply's %3 "
                        "characters (%4); the reply is handed over once the line has been quiet "
                        "for %5 after its last byte.")
             .arg(milliseconds(*std::min_element(times.begin(), times.end())))
             .arg(milliseconds(*std::max_element(times.begin(), times.end())))
             .arg(kWholeReply.size())
             .arg(milliseconds(kWholeReply.size() * kBitsPerCharacter / kBaud * 1e9))
             .arg(milliseconds(double(std::chrono::nanoseconds(core::kQuietGap).count()))));
    return 0;
}

} // namespace bench
