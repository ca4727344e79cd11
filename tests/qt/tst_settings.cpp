#include "Profile.h"

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
        QString path = QStringLiteral("untouched");
        QString port = QStringLiteral("untouched");
        profile.settings().ReadConfigValue(QStringLiteral("WXPath"), path,
                                           QStringLiteral("C:\\UiView\\WXprs.txt"));
        profile.settings().ReadConfigValue(QStringLiteral("CPort"), port, QStringLiteral("1"));
        QCOMPARE(path, QStringLiteral("C:\\UiView\\WXprs.txt"));
        QCOMPARE(port, QStringLiteral("1"));

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
        QVERIFY(profile.settings().WriteConfigValue(QStringLiteral("WXPath"), value));
        QString read = QStringLiteral("before");
        profile.settings().ReadConfigValue(QStringLiteral("WXPath"), read,
                                           QStringLiteral("default"));
        QCOMPARE(read, value);
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
        QString port;
        profile.settings().ReadConfigValue(QStringLiteral("CPort"), port, QStringLiteral("1"));
        QCOMPARE(port, QStringLiteral("1"));
        QVERIFY(profile.settingsText().contains("CPort=1"));
    }

    // A store that cannot be written: the write says so, the read still gives the default.
    void unwritableStoreStillGivesDefaults()
    {
        Profile profile;
        profile.writeSettingsText("");
        const Module1 blocked(profile.settingsFile() + QStringLiteral("/inside-a-file.conf"));
        QVERIFY(!blocked.WriteConfigValue(QStringLiteral("CPort"), QStringLiteral("2")));
        QString port = QStringLiteral("before");
        blocked.ReadConfigValue(QStringLiteral("CPort"), port, QStringLiteral("1"));
        QCOMPARE(port, QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
