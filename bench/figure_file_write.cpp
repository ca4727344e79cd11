#include "Figures.h"
#include "Measure.h"
#include "Profile.h"
#include "core/WeatherText.h"
#include "qt/Clock.h"
#include "qt/WeatherWriter.h"

#include <QFile>
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace bench {

namespace {

// The same replacement without the writer's flushes to disk (the new file's before the rename,
// the folder's after it): the difference between the two is what the disk (and the journal
// behind it) costs.
bool replaceWithoutFlush(const QString& target, const QByteArray& contents)
{
    const QByteArray path = QFile::encodeName(target);
    const QByteArray temporary = path + ".bench";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, contents.constData(), std::size_t(contents.size())) == ssize_t(contents.size());
    return ::close(fd) == 0 && written && ::rename(temporary.constData(), path.constData()) == 0;
}

// A minute of its own for each write, so every write really changes the file.
core::LocalTime minuteAt(int i)
{
    const QDateTime when = QDateTime(QDate(2003, 3, 5), QTime(7, 4)).addSecs(60 * i);
    return qt::Clock::localTimeOf(when);
}

bool written(const core::WriteAttempt& attempt)
{
    return core::isWritten(attempt);
}

} // namespace

// One complete replacement of the weather file, composed and written as the session does it,
// through the program's own writer and the drive-letter path it uses by default.
int figureFileWrite(const Run& run)
{
    const int count = run.smoke ? 20 : 1000;
    Profile profile;
    qt::WeatherWriter writer(profile.dosDevices());
    const std::string path = "C:\\UiView\\WXprs.txt";
    const QString onDisk = profile.driveC() + QStringLiteral("/UiView/WXprs.txt");
    const std::string field = "000/000g000t070";

    std::vector<double> times;
    times.reserve(std::size_t(count));
    std::string last;
    for (int i = 0; i < count; ++i) {
        const core::LocalTime when = minuteAt(i);
        const qint64 begin = monotonicNs();
        const std::string contents = core::weatherFileBytes(when, field);
        const core::WriteAttempt attempt = writer.write(path, contents);
        const qint64 end = monotonicNs();
        if (!written(attempt))
            return fail(QStringLiteral("write %1 failed: %2")
                            .arg(i)
                            .arg(QString::fromStdString(attempt.reason())));
        times.push_back(double(end - begin));
        last = contents;
    }
    QFile file(onDisk);
    if (!file.open(QIODevice::ReadOnly) || file.readAll().toStdString() != last ||
        last.size() != 36)
        return fail(QStringLiteral("the file does not hold the last write"));

    // The program writes once every 70 s, with the machine idle in between; written back to
    // back, the disk and the journal thread are still awake from the write before.
    std::vector<double> spaced;
    const int spacedCount = run.smoke ? 2 : 20;
    Progress pause;
    for (int i = 0; i < spacedCount; ++i) {
        pause.waitFor([] { return false; }, 100);
        const qint64 begin = monotonicNs();
        const core::WriteAttempt attempt =
            writer.write(path, core::weatherFileBytes(minuteAt(i), field));
        const qint64 end = monotonicNs();
        if (!written(attempt))
            return fail(QStringLiteral("spaced write %1 failed: %2")
                            .arg(i)
                            .arg(QString::fromStdString(attempt.reason())));
        spaced.push_back(double(end - begin));
    }

    std::vector<double> unflushed;
    const QString beside = onDisk + QStringLiteral(".unflushed");
    for (int i = 0; i < count; ++i) {
        const qint64 begin = monotonicNs();
        const std::string contents = core::weatherFileBytes(minuteAt(i), field);
        if (!replaceWithoutFlush(beside, QByteArray::fromStdString(contents)))
            return fail(QStringLiteral("the comparison write failed"));
        unflushed.push_back(double(monotonicNs() - begin));
    }

    const double middle = median(times);
    row(QStringLiteral("6. Weather-file write, median (%1 writes)").arg(count),
        milliseconds(middle), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("< 1 ms"),
        middle < 1e6);
    reported(
        QStringLiteral("6. Weather-file write, 100 ms apart, median (%1 writes)").arg(spacedCount),
        milliseconds(median(spaced)), QStringLiteral("-"), QStringLiteral("-"));
    note(QStringLiteral("6. Weather-file write: p99 %1, slowest %2, into %3. The same "
                        "replacement without the flushes to disk: median %4, "
                        "p99 %5.")
             .arg(milliseconds(percentile(times, 99)))
             .arg(milliseconds(*std::max_element(times.begin(), times.end())))
             .arg(profile.root())
             .arg(milliseconds(median(unflushed)))
             .arg(milliseconds(percentile(unflushed, 99))));
    return 0;
}

} // namespace bench
