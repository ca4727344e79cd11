// A thermometer reply of any bytes and length, at any valid date and time: the fields cut
// from it, the weather text, and what a OneShot and the sampling ticks after it show in the
// caption and in Text1 and leave in the weather file, written by the program's own writer.
#include "FuzzSupport.h"
#include "core/Captions.h"
#include "core/Readings.h"
#include "core/ReplyFields.h"
#include "core/WeatherText.h"
#include "qt/Clock.h"
#include "qt/DosDevices.h"
#include "qt/WeatherWriter.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <optional>
#include <string>

namespace {

using FuzzSupport::Reader;

struct Rig
{
    explicit Rig(const QString& winePrefix) : dosDevices(winePrefix) {}

    DosDevices dosDevices;
    qt::WeatherWriter writer{dosDevices};
    QString driveFolder; // where "C:\UiView" lands on this machine
    QString driveFile;   // and "C:\UiView\WXprs.txt"
};
Rig* rig = nullptr;

// The port the captions name.
const std::string kPort = core::captions::portName(3, "/dev/ttyS2");

// The paths a reading may be written to: one that works, and two ways to fail.
const QString kPaths[] = {
    QStringLiteral("C:\\UiView\\WXprs.txt"), QStringLiteral("C:/UiView/WXprs.txt"),
    QStringLiteral("C:\\Missing\\WXprs.txt"), QStringLiteral("Q:\\UiView\\WXprs.txt")};
bool writable(const QString& path)
{
    return path == kPaths[0] || path == kPaths[1];
}

QDateTime clockFrom(Reader& in)
{
    // Years 2 to 9998, so that a local time a day away from UTC still has four digits.
    const int year = 2 + in.take<std::uint16_t>() % 9997;
    const int month = 1 + in.take<std::uint8_t>() % 12;
    const int day = 1 + in.take<std::uint8_t>() % QDate(year, month, 1).daysInMonth();
    const int hour = in.take<std::uint8_t>() % 24;
    const int minute = in.take<std::uint8_t>() % 60;
    const int second = in.take<std::uint8_t>() % 60;
    const int ms = in.take<std::uint16_t>() % 1000;
    const bool utc = in.take<std::uint8_t>() & 1;
    QDateTime when(QDate(year, month, day), QTime(hour, minute, second, ms),
                   utc ? Qt::UTC : Qt::LocalTime);
    // A local time that falls into a daylight-saving gap may not exist; UTC always does.
    if (!when.isValid())
        when = QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::UTC);
    UIQ_CHECK(when.isValid());
    return when;
}

// The bytes of a reply at 1-based positions first to first + length - 1, as far as it goes.
std::string bytesAt(const std::string& reply, std::int64_t first, std::int64_t length)
{
    const std::int64_t start = first - 1;
    if (start < 0 || length <= 0 || start >= std::int64_t(reply.size()))
        return {};
    const std::int64_t available = std::int64_t(reply.size()) - start;
    return reply.substr(std::size_t(start), std::size_t(std::min(length, available)));
}

// A field is what the reply holds from its 1-based position on, up to its length.
void checkCut(const std::string& reply, std::int64_t position, std::int64_t length,
              const std::string& field)
{
    const std::int64_t start = position - 1;
    const std::int64_t available =
        start >= 0 && start < std::int64_t(reply.size()) ? std::int64_t(reply.size()) - start : 0;
    const std::int64_t expected = length > 0 ? std::min(length, available) : 0;
    UIQ_CHECK(std::int64_t(field.size()) == expected);
    if (expected > 0)
        UIQ_CHECK(reply.compare(std::size_t(start), field.size(), field) == 0);
}

void checkDateLine(const QDateTime& local, const std::string& bytes)
{
    static const QRegularExpression shape(
        QStringLiteral("^[A-Z][a-z]{2} \\d\\d \\d{4} \\d\\d:\\d\\d$"));
    const QString line = QString::fromLatin1(bytes);
    UIQ_CHECK(line.size() == 17);
    UIQ_CHECK(shape.match(line).hasMatch());
    // English month names whatever the locale, and the minute the clock showed.
    const QLocale c = QLocale::c();
    UIQ_CHECK(c.toDate(line.left(11), QStringLiteral("MMM dd yyyy")) == local.date());
    UIQ_CHECK(c.toTime(line.mid(12), QStringLiteral("HH:mm")) ==
              QTime(local.time().hour(), local.time().minute()));
}

void checkTexts(const QDateTime& local, const core::LocalTime& when, const std::string& field)
{
    const std::string line = core::weatherDateLine(when);
    checkDateLine(local, line);
    const std::string bytes = core::weatherFileBytes(when, field);
    UIQ_CHECK(bytes == line + "\r\n" + field + "\r\n");
    const std::string shown = core::weatherDisplayText(when, field);
    UIQ_CHECK(shown + "\r\n" == bytes);
}

QByteArray contents(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

bool isUtf8(const std::string& text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = decoder(QByteArrayView(text.data(), qsizetype(text.size())));
    return !decoder.hasError();
}

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString fromLatin1(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

// One window's readings: the Readings behind it, and the last write that failed, if the
// latest write did.
struct Window
{
    core::Readings readings;
    std::optional<std::pair<QString, std::string>> failedWrite;
};

// One reading through the Readings, written by the real writer as the window writes it.
void deliver(Window& window, core::ExchangeForm form, const std::string& reply, bool due,
             const core::LocalTime& when, const QString& path)
{
    const QByteArray before = contents(rig->driveFile);
    const core::Readings::Reading reading = window.readings.replied(form, reply, kPort);
    std::optional<std::string> text1;
    if (reading.weatherField) {
        text1 = core::captions::latin1ToUtf8(core::weatherDisplayText(when, *reading.weatherField));
        const core::WriteAttempt attempt = rig->writer.write(
            path.toStdString(), core::weatherFileBytes(when, *reading.weatherField));
        // Nothing on this system holds the file against a replace.
        UIQ_CHECK(!attempt.ok() || *attempt.value() == core::WriteProgress::Written);
        const bool wrote = attempt.ok();
        UIQ_CHECK(wrote == writable(path));
        UIQ_CHECK(wrote || !attempt.reason().empty());
        window.readings.written(path.toStdString(), wrote
                                                        ? core::Outcome(core::Done{})
                                                        : core::Outcome::failure(attempt.reason()));
        if (wrote)
            window.failedWrite.reset();
        else
            window.failedWrite.emplace(path, attempt.reason());
    }
    const std::string caption = window.readings.caption(
        reading.refused                       ? *reading.refused
        : form == core::ExchangeForm::OneShot ? core::captions::oneShot(reading.temperature)
                                              : core::captions::reading(reading.temperature));
    UIQ_CHECK(isUtf8(caption));
    const QString shown = fromUtf8(caption);

    // The fields by their positions: 21-35 for the file, 50-54 for the caption.
    const std::string weather = bytesAt(reply, 21, 15);
    const std::string temperature = bytesAt(reply, 50, 5);
    const bool splitsLines = weather.find_first_of("\r\n") != std::string::npos;
    const bool writes = due && !splitsLines;
    UIQ_CHECK(reading.weatherField.has_value() == writes);
    const QByteArray after = contents(rig->driveFile);
    if (writes && writable(path)) {
        // Exactly two lines, each ended by CR LF: the date line and the field as it came.
        const std::string expected = core::weatherDateLine(when) + "\r\n" + weather + "\r\n";
        UIQ_CHECK(after == QByteArray(expected.data(), qsizetype(expected.size())));
        // Text1 shows the same two lines without the last line end, each byte as its Latin-1
        // character.
        UIQ_CHECK(fromUtf8(*text1) == fromLatin1(expected.substr(0, expected.size() - 2)));
    } else {
        // A reading that writes nothing, and a write that fails, leave the old file as it was.
        UIQ_CHECK(after == before);
    }
    // Neither a written nor a failed write leaves a temporary file beside the weather file.
    const QStringList left =
        QDir(rig->driveFolder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    UIQ_CHECK(left.isEmpty() || left == QStringList{QStringLiteral("WXprs.txt")});

    // A failed write follows every reading until a write succeeds: the path and the reason.
    QString said;
    if (due && splitsLines) {
        // The host program would read the rest of a split line as a report of its own.
        said = fromUtf8(core::captions::malformed(kPort));
        UIQ_CHECK(said.contains(QStringLiteral("malformed")));
        UIQ_CHECK(said.contains(fromUtf8(kPort)));
    } else {
        said = fromLatin1(temperature) + QStringLiteral("\u00b0C");
        if (form == core::ExchangeForm::OneShot)
            said.prepend(QStringLiteral("One shot "));
        // The temperature goes into the caption byte for byte, NULs and high bytes included.
        const qsizetype at = form == core::ExchangeForm::OneShot ? 9 : 0;
        UIQ_CHECK(shown.mid(at, qsizetype(temperature.size())) == fromLatin1(temperature));
    }
    if (!window.failedWrite) {
        UIQ_CHECK(shown == said);
    } else {
        const QString& failedPath = window.failedWrite->first;
        const QString reason = fromUtf8(window.failedWrite->second);
        UIQ_CHECK(shown == said + QStringLiteral(" \u2013 cannot write ") + failedPath +
                               QStringLiteral(": ") + reason);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzSupport::startApplication(argc, argv);
    const QString prefix = FuzzSupport::scratchFolder() + QStringLiteral("/wine");
    UIQ_CHECK(QDir().mkpath(prefix + QStringLiteral("/dosdevices")));
    UIQ_CHECK(QDir().mkpath(prefix + QStringLiteral("/drive_c/UiView")));
    UIQ_CHECK(QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:")));
    rig = new Rig(prefix);
    rig->driveFolder = prefix + QStringLiteral("/drive_c/UiView");
    rig->driveFile = rig->driveFolder + QStringLiteral("/WXprs.txt");
    return 0;
}

// The first 19 bytes choose the clock, the plan and a field to cut, and the rest is the
// reply; the seeds are built that way, and the whole input counts as a reply too, so a bare
// reply still exercises the fields.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string whole(reinterpret_cast<const char*>(data), size);
    Reader in(data, size);
    const QDateTime at = clockFrom(in);
    const std::uint8_t plan = in.take<std::uint8_t>();
    const std::int32_t position = in.take<std::int32_t>();
    const std::int32_t length = in.take<std::int32_t>();
    const QByteArray rest = in.rest();
    const std::string reply(rest.constData(), std::size_t(rest.size()));

    // The date line is the local time the clock read.
    const QDateTime local = at.toLocalTime();
    const core::LocalTime when = qt::Clock::localTimeOf(at);

    for (const std::string* r : {&reply, &whole}) {
        checkCut(*r, 50, 5, core::temperatureField(*r));
        checkCut(*r, 21, 15, core::weatherField(*r));
        checkCut(*r, position, length, core::cutField(*r, position, length));
        checkTexts(local, when, core::weatherField(*r));
        checkTexts(local, when, *r);
    }

    // OneShot writes at once; then up to seven sampling ticks, the seventh of which writes.
    Window window;
    deliver(window, core::ExchangeForm::OneShot, reply, true, when, kPaths[plan & 3]);
    const QString path = kPaths[(plan >> 5) & 3];
    const int ticks = (plan >> 2) & 7;
    for (int tick = 1; tick <= ticks; ++tick)
        deliver(window, core::ExchangeForm::Tick, reply, tick == 7, when, path);
    return 0;
}
