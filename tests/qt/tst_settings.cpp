#include "Profile.h"
#include "core/Settings.h"

#include <QSettings>
#include <QTest>

// The settings store over a real settings file in a temporary profile.
class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    // A clean profile: each read finds nothing, stores the default and returns it.
    void firstRunStoresDefaults()
    {
        Profile profile;
        const core::SettingRead path = core::readSetting(profile.settings(), core::kWXPath);
        const core::SettingRead port = core::readSetting(profile.settings(), core::kCPort);
        QCOMPARE(QString::fromStdString(path.text), QStringLiteral("C:\\UiView\\WXprs.txt"));
        QCOMPARE(QString::fromStdString(port.text), QStringLiteral("1"));
        QVERIFY(path.stored.ok() && port.stored.ok());

        // Another reader of the same file sees both values under [Config] at once.
        QSettings reader(profile.settingsFile(), QSettings::IniFormat);
        QCOMPARE(reader.value(QStringLiteral("Config/WXPath")).toString(),
                 QStringLiteral("C:\\UiView\\WXprs.txt"));
        QCOMPARE(reader.value(QStringLiteral("Config/CPort")).toString(), QStringLiteral("1"));
    }

    void storedValuesReadBackUnchanged_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("default path") << QStringLiteral("C:\\UiView\\WXprs.txt");
        QTest::newRow("empty") << QString();
        QTest::newRow("port") << QStringLiteral("3");
        QTest::newRow("longer than 254") << QString(300, QLatin1Char('x')) + QStringLiteral("end");
        QTest::newRow("odd characters")
            << QStringLiteral("D:\\A, B;C=\"q\"\t#[x]/\u00e9\u00b0\u20ac %20 @Variant(x)");
        QTest::newRow("blanks around") << QStringLiteral("  spaced  ");
    }

    // What the program stores comes back exactly, however odd.
    void storedValuesReadBackUnchanged()
    {
        QFETCH(QString, value);
        Profile profile;
        QVERIFY(profile.settings().write("WXPath", value.toStdString()).ok());
        QCOMPARE(profile.stored("WXPath"), value);
    }

    void otherTypesAreReplaced_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("integer") << QByteArray("CPort=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x3)\n");
        QTest::newRow("bytes") << QByteArray("CPort=@ByteArray(3)\n");
    }

    // A value that is not text is overwritten by the default on the next read.
    void otherTypesAreReplaced()
    {
        QFETCH(QByteArray, stored);
        Profile profile;
        profile.writeSettingsText("[Config]\n" + stored);
        const core::SettingRead port = core::readSetting(profile.settings(), core::kCPort);
        QCOMPARE(QString::fromStdString(port.text), QStringLiteral("1"));
        QVERIFY(profile.settingsText().contains("CPort=1"));
    }

    // A store that cannot be written: the write says so, the read still gives the default.
    void unwritableStoreStillGivesDefaults()
    {
        Profile profile;
        profile.writeSettingsText("");
        const qt::SettingsStore blocked(profile.settingsFile() +
                                        QStringLiteral("/inside-a-file.conf"));
        QVERIFY(!blocked.write("CPort", "2").ok());
        const core::SettingRead port = core::readSetting(blocked, core::kCPort);
        QCOMPARE(QString::fromStdString(port.text), QStringLiteral("1"));
        QVERIFY(!port.stored.ok());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
