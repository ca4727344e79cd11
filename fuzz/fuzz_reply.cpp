// A thermometer reply of any bytes and length, at any valid date and time: the fields cut
// from it, the caption the sampler shows, and the weather file it writes.
#include "FuzzSupport.h"
#include "core/WeatherField.h"
#include "link/Exchange.h"
#include "link/MSComm.h"
#include "wx/Clock.h"
#include "wx/Fields.h"
#include "wx/Sampler.h"
#include "wx/WeatherText.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>

namespace {

using FuzzSupport::Reader;

class FixedClock : public Clock
{
public:
    QDateTime at;
    QDateTime now() const override { return at; }
};

struct Rig
{
    explicit Rig(const QString& winePrefix) : dosDevices(winePrefix) {}

    DosDevices dosDevices;
    MSComm line{dosDevices};
    Exchange exchange{line};
    QString driveFile; // where "C:\UiView\WXprs.txt" lands on this machine
};
Rig* rig = nullptr;

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
    const int year = 1 + in.take<std::uint16_t>() % 9999;
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

// A field is what the reply holds from its 1-based position on, up to its length.
void checkCut(const QByteArray& reply, std::int64_t position, std::int64_t length,
              const QByteArray& field)
{
    const std::int64_t start = position - 1;
    const std::int64_t available = start >= 0 && start < reply.size() ? reply.size() - start : 0;
    const std::int64_t expected = length > 0 ? std::min(length, available) : 0;
    UIQ_CHECK(field.size() == expected);
    if (expected > 0)
        UIQ_CHECK(std::memcmp(reply.constData() + start, field.constData(), field.size()) == 0);
}

void checkDateLine(const QDateTime& when, const QString& line)
{
    static const QRegularExpression shape(
        QStringLiteral("^[A-Z][a-z]{2} \\d\\d \\d{4} \\d\\d:\\d\\d$"));
    UIQ_CHECK(line.size() == 17);
    UIQ_CHECK(shape.match(line).hasMatch());
    // English month names whatever the locale, and the minute the clock showed.
    const QLocale c = QLocale::c();
    UIQ_CHECK(c.toDate(line.left(11), QStringLiteral("MMM dd yyyy")) == when.date());
    UIQ_CHECK(c.toTime(line.mid(12), QStringLiteral("HH:mm")) ==
              QTime(when.time().hour(), when.time().minute()));
}

void checkTexts(const QDateTime& when, const QByteArray& field)
{
    const QString line = WeatherText::dateLine(when);
    checkDateLine(when, line);
    const QByteArray bytes = WeatherText::file(when, field);
    UIQ_CHECK(bytes == line.toLatin1() + "\r\n" + field + "\r\n");
    const QString shown = WeatherText::display(when, field);
    UIQ_CHECK(shown.toLatin1() + "\r\n" == bytes);
    UIQ_CHECK(shown.size() == line.size() + 2 + field.size());
}

QByteArray contents(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

// One reading through the sampler, as the exchange delivers it.
void deliver(Sampler& sampler, Exchange::Form form, const QByteArray& reply, bool writes,
             const QDateTime& when, const QString& path)
{
    QString caption;
    QString composed;
    bool composedSeen = false;
    bool wrote = false;
    int sampledCount = 0;
    const auto a =
        QObject::connect(&sampler, &Sampler::status, [&](const QString& text) { caption = text; });
    const auto b =
        QObject::connect(&sampler, &Sampler::weatherTextComposed, [&](const QString& text) {
            composed = text;
            composedSeen = true;
        });
    const auto c = QObject::connect(&sampler, &Sampler::sampled, [&](Exchange::Form, bool w) {
        wrote = w;
        ++sampledCount;
    });

    const QByteArray before = contents(rig->driveFile);
    emit rig->exchange.replied(form, reply);
    QObject::disconnect(a);
    QObject::disconnect(b);
    QObject::disconnect(c);

    UIQ_CHECK(sampledCount == 1);
    const QByteArray temperature = Fields::temperature(reply);
    const QByteArray weather = Fields::weather(reply);
    // A field that would split the file's lines is never written: the old file stays.
    if (writes && core::breaksLine(std::string_view(weather.constData(), weather.size()))) {
        UIQ_CHECK(!composedSeen && !wrote);
        UIQ_CHECK(contents(rig->driveFile) == before);
        UIQ_CHECK(caption.contains(QStringLiteral("malformed")));
        return;
    }
    UIQ_CHECK(composedSeen == writes);
    if (writes) {
        UIQ_CHECK(composed == WeatherText::display(when, weather));
        UIQ_CHECK(wrote == writable(path));
    } else {
        UIQ_CHECK(!wrote);
    }
    if (wrote) {
        const QByteArray after = contents(rig->driveFile);
        UIQ_CHECK(after == WeatherText::dateLine(when).toLatin1() + "\r\n" + weather + "\r\n");
        UIQ_CHECK(sampler.fileError().isEmpty());
    } else {
        // A failed or skipped write leaves the old file as it was.
        UIQ_CHECK(contents(rig->driveFile) == before);
    }
    if (writes && !wrote)
        UIQ_CHECK(!sampler.fileError().isEmpty());

    QString expected = QString::fromLatin1(temperature) + QStringLiteral("\u00b0C");
    if (form == Exchange::Form::OneShot)
        expected.prepend(QStringLiteral("One shot "));
    if (sampler.fileError().isEmpty()) {
        UIQ_CHECK(caption == expected);
    } else {
        // The failure follows the reading and ends with its reason.
        UIQ_CHECK(caption.startsWith(expected + QStringLiteral(" \u2013 cannot write ")));
        UIQ_CHECK(caption.endsWith(QStringLiteral(": ") + sampler.fileError()));
    }
    // The temperature goes into the caption byte for byte, NULs and high bytes included.
    const qsizetype at = form == Exchange::Form::OneShot ? 9 : 0;
    UIQ_CHECK(caption.mid(at, temperature.size()).toLatin1() == temperature);
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
    rig->driveFile = prefix + QStringLiteral("/drive_c/UiView/WXprs.txt");
    return 0;
}

// The first 19 bytes choose the clock, the plan and a field to cut, and the rest is the
// reply; the seeds are built that way, and the whole input counts as a reply too, so a bare
// reply still exercises the fields.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray whole(reinterpret_cast<const char*>(data), qsizetype(size));
    Reader in(data, size);
    const QDateTime when = clockFrom(in);
    const std::uint8_t plan = in.take<std::uint8_t>();
    const std::int32_t position = in.take<std::int32_t>();
    const std::int32_t length = in.take<std::int32_t>();
    const QByteArray reply = in.rest();

    for (const QByteArray* r : {&reply, &whole}) {
        checkCut(*r, 50, 5, Fields::temperature(*r));
        checkCut(*r, 21, 15, Fields::weather(*r));
        checkCut(*r, position, length, Fields::cut(*r, position, length));
        checkTexts(when, Fields::weather(*r));
        checkTexts(when, *r);
    }

    // OneShot writes at once; then up to seven sampling ticks, the seventh of which writes.
    FixedClock clock;
    clock.at = when;
    QString path = kPaths[plan & 3];
    Sampler sampler(rig->exchange, clock, rig->dosDevices, [&path] { return path; });
    deliver(sampler, Exchange::Form::OneShot, reply, true, when, path);
    path = kPaths[(plan >> 5) & 3];
    const int ticks = (plan >> 2) & 7;
    for (int tick = 1; tick <= ticks; ++tick)
        deliver(sampler, Exchange::Form::Sampling, reply, tick == 7, when, path);
    return 0;
}
