#include "qt/DosDevices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString valueOf(const core::Result<QString>& result)
{
    return result.ok() ? *result.value()
                       : QStringLiteral("failed: ") + QString::fromStdString(result.reason());
}

} // namespace

// How Windows names map onto this machine through a Wine prefix: drive paths and COM ports.
class TestWinePrefix : public QObject
{
    Q_OBJECT

private slots:
    void hostPaths()
    {
        QTemporaryDir prefix;
        const DosDevices dosDevices(prefix.path());
        QDir().mkpath(prefix.path() + QStringLiteral("/drive_c/UiView"));
        QDir().mkpath(prefix.path() + QStringLiteral("/dosdevices"));
        QFile::link(QStringLiteral("../drive_c"), prefix.path() + QStringLiteral("/dosdevices/c:"));
        const QString driveC = prefix.path() + QStringLiteral("/dosdevices/c:");

        QCOMPARE(valueOf(dosDevices.hostPath(QStringLiteral("C:\\UiView\\WXprs.txt"))),
                 driveC + QStringLiteral("/UiView/WXprs.txt"));
        QCOMPARE(valueOf(dosDevices.hostPath(QStringLiteral("c:/UiView/WXprs.txt"))),
                 driveC + QStringLiteral("/UiView/WXprs.txt"));
        QCOMPARE(valueOf(dosDevices.hostPath(QStringLiteral("/srv/wx.txt"))),
                 QStringLiteral("/srv/wx.txt"));
        QCOMPARE(valueOf(dosDevices.hostPath(QStringLiteral("C:\\..\\..\\UiView\\.\\WXprs.txt"))),
                 driveC + QStringLiteral("/UiView/WXprs.txt"));
        // Four dots are a name, not a climb out of the drive.
        QCOMPARE(valueOf(dosDevices.hostPath(QStringLiteral("C:\\...."))),
                 driveC + QStringLiteral("/...."));
        // A lone surrogate (from an escape in the settings file) must not smuggle a backslash.
        const QString loneSurrogate =
            QStringLiteral("wx\\file") + QChar(0xd800) + QStringLiteral(".txt");
        QVERIFY(!dosDevices.hostPath(loneSurrogate).ok());

        for (const char* refused :
             {"Q:\\UiView\\WXprs.txt", "UiView\\WXprs.txt", "C:WXprs.txt", "", "   "}) {
            const core::Result<QString> host = dosDevices.hostPath(QLatin1String(refused));
            QVERIFY2(!host.ok(), refused);
            QVERIFY2(!host.reason().empty(), refused);
        }
        const QString error =
            QString::fromStdString(dosDevices.hostPath(QStringLiteral("Q:\\x.txt")).reason());
        QVERIFY2(error.contains(QStringLiteral("Q:")), qPrintable(error));
    }

    // Names that Windows opens as devices, and names that only look like them: a file called
    // COM10 or CONSOLE.txt is an ordinary file and must not be refused.
    void serialDevices()
    {
        QTemporaryDir prefix;
        const DosDevices dosDevices(prefix.path());
        QDir().mkpath(prefix.path() + QStringLiteral("/dosdevices"));
        QFile::link(QStringLiteral("/dev/ttyUSB7"),
                    prefix.path() + QStringLiteral("/dosdevices/com3"));

        QCOMPARE(valueOf(dosDevices.serialDevice(3)), QStringLiteral("/dev/ttyUSB7"));
        QCOMPARE(valueOf(dosDevices.serialDevice(1)), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(valueOf(dosDevices.serialDevice(5)), QStringLiteral("/dev/ttyS4"));

        // A device named in Wine's registry wins over the link, as it does when Wine rebuilds
        // its links; names are matched in any case and values lose their escapes.
        QFile registry(prefix.path() + QStringLiteral("/system.reg"));
        QVERIFY(registry.open(QIODevice::WriteOnly));
        registry.write(
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
            "[Software\\\\Wine\\\\Drives] 1700000000\n\"COM4\"=\"/dev/wrong\"\n\n"
            "[Software\\\\Wine\\\\Ports] 1700000001\n#time=1da2b3c4d5e6f70\n"
            "\"com3\"=\"/dev/serial/by-id/usb-\\\"Ther\\\\mo\\\"-port0\"\n"
            "\"COM5\"=dword:00000001\n"
            "\"COM6\"=\"/dev/ttyACM\\x00e9\"\n"
            "\"COM7\"=\"/dev/ttyACM\\012\\q\"\n"
            "\"COM8\"=\"/dev/serial/\\xd83c\\xdf21\"\n\n"
            "[Software\\\\Wine\\\\Ports\\\\Other] 1700000002\n\"COM4\"=\"/dev/wrong\"\n");
        registry.close();
        QCOMPARE(valueOf(dosDevices.serialDevice(3)),
                 QStringLiteral("/dev/serial/by-id/usb-\"Ther\\mo\"-port0"));
        QCOMPARE(valueOf(dosDevices.serialDevice(6)), QStringLiteral("/dev/ttyACM\u00e9"));
        // Octal, a letter that stands for itself, a character beyond U+FFFF as its UTF-16 pair.
        QCOMPARE(valueOf(dosDevices.serialDevice(7)), QStringLiteral("/dev/ttyACM\nq"));
        QCOMPARE(valueOf(dosDevices.serialDevice(8)), QStringLiteral("/dev/serial/\U0001F321"));
        QCOMPARE(valueOf(dosDevices.serialDevice(4)), QStringLiteral("/dev/ttyS3"));
        QCOMPARE(valueOf(dosDevices.serialDevice(5)), QStringLiteral("/dev/ttyS4"));
        QVERIFY(!dosDevices.serialDevice(0).ok());
        QCOMPARE(QString::fromStdString(dosDevices.serialDevice(0).reason()),
                 QStringLiteral("there is no COM0"));
        QVERIFY(!dosDevices.serialDevice(-2).ok());
    }
};

QTEST_GUILESS_MAIN(TestWinePrefix)
#include "tst_wineprefix.moc"
