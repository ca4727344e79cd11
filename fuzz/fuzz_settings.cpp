// Any bytes as the settings file: reading the two values with their defaults, and values
// of every kind written and read back.
#include "FuzzSupport.h"
#include "settings/Module1.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <optional>

namespace {

using FuzzSupport::Reader;

const QString kNames[] = {QStringLiteral("WXPath"), QStringLiteral("CPort")};
const QString kDefaults[] = {QStringLiteral("C:\\UiView\\WXprs.txt"), QStringLiteral("1")};

// Values that the ini format has to escape or quote to keep as text.
const QString kOddValues[] = {
    QString(),
    QStringLiteral(" "),
    QStringLiteral(" padded "),
    QStringLiteral("@Invalid()"),
    QStringLiteral("@ByteArray(x)"),
    QStringLiteral("@Variant(\\0\\0\\0\\x7f)"),
    QStringLiteral("a, b"),
    QStringLiteral("a,b,c"),
    QStringLiteral("\"quoted\""),
    QStringLiteral("x=y;z#w"),
    QStringLiteral("[Config]\nWXPath=other"),
    QStringLiteral("C:\\\\UiView\\\\WXprs.txt"),
    QStringLiteral("line\r\nbreak\ttab"),
    QString(QChar(0)) + QStringLiteral("1"),
    QStringLiteral("\u00e9\u00df\u20ac\u00a0\u2028"),
    QStringLiteral("\U0001F321\U0001F321"),
    QStringLiteral("\\x41\\0"),
    QString(70000, QLatin1Char('W')),
};

// The value a file holds, as any reader of the ini format sees it: text, or nothing.
std::optional<QString> storedText(const QString& file, const QString& name)
{
    QSettings probe(file, QSettings::IniFormat);
    probe.beginGroup(QStringLiteral("Config"));
    const QVariant value = probe.value(name);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

bool checkRoundTrip(const Module1& store, const QString& name, const QString& value)
{
    if (!store.WriteConfigValue(name, value))
        return false;
    QString back;
    store.ReadConfigValue(name, back, QStringLiteral("\x01not-this"));
    UIQ_CHECK(back == value);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzSupport::startApplication(argc, argv, true);
    FuzzSupport::scratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // QSettings keeps a parsed file by name and reads it again only when its size or time
    // stamp changed; a time stamp of its own for every input makes sure this one is read.
    // (A new name for every input would grow that cache and slow each leak check.)
    static qint64 serial = 0;
    const QString file = FuzzSupport::scratchFolder() + QStringLiteral("/UiQuorvix.conf");
    {
        QFile f(file);
        UIQ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        UIQ_CHECK(f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
        UIQ_CHECK(f.setFileTime(QDateTime::fromSecsSinceEpoch(++serial, Qt::UTC),
                                QFileDevice::FileModificationTime));
    }

    const Module1 store(file);
    for (int i = 0; i < 2; ++i) {
        const std::optional<QString> stored = storedText(file, kNames[i]);
        QString value;
        store.ReadConfigValue(kNames[i], value, kDefaults[i]);
        UIQ_CHECK(value == (stored ? *stored : kDefaults[i]));
        // What was read is there to stay: a stored text, or the default written back.
        QString again;
        store.ReadConfigValue(kNames[i], again, QStringLiteral("\x02other default"));
        UIQ_CHECK(again == value);
    }

    Reader in(data, size);
    const std::uint8_t pick = in.take<std::uint8_t>();
    const QByteArray rest = in.rest();
    checkRoundTrip(store, kNames[pick & 1], kOddValues[(pick >> 1) % std::size(kOddValues)]);
    const bool wrotePath = checkRoundTrip(store, kNames[0], QString::fromUtf8(rest));
    checkRoundTrip(store, kNames[1], QString::fromLatin1(rest));
    // Both values live side by side; writing one leaves the other alone.
    if (wrotePath) {
        QString path;
        store.ReadConfigValue(kNames[0], path, kDefaults[0]);
        UIQ_CHECK(path == QString::fromUtf8(rest));
    }

    return 0;
}
