#include "wx/WeatherFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

// Writing the weather file: whole, at once, and never half.
class TestWeatherFile : public QObject
{
    Q_OBJECT

    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

private slots:
    // A larger file is replaced by exactly the new bytes, high bytes and NUL included.
    void replacesWholeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("WXprs.txt"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(4096, 'z'));
        old.close();

        const QByteArray contents("Mar 05 2003 07:04\r\n\x00\x80\xff"
                                  "ABCDEFGHIJKL\r\n",
                                  36);
        QCOMPARE(WeatherFile::write(path, contents), QString());
        QCOMPARE(read(path), contents);
        // Nothing is left behind beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("WXprs.txt")});
    }

    void failuresSayWhy_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("missing folder") << QStringLiteral("no/such/folder/WXprs.txt");
        QTest::newRow("a folder in the way") << QStringLiteral("taken");
        QTest::newRow("a file where a folder should be") << QStringLiteral("plain/WXprs.txt");
    }

    void failuresSayWhy()
    {
        QFETCH(QString, relativePath);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("taken"));
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QStringList before =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        const QString error = WeatherFile::write(dir.filePath(relativePath), "x\r\n");
        QVERIFY(!error.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    // A Windows path that this machine cannot map is refused, not written into the
    // working folder under a name full of backslashes.
    void unmappedWindowsPathsWriteNothing()
    {
        QTemporaryDir work;
        QTemporaryDir prefix;
        qputenv("WINEPREFIX", prefix.path().toLocal8Bit());
        const QString previous = QDir::currentPath();
        QDir::setCurrent(work.path());
        const QString driveError = WeatherFile::write(QStringLiteral("C:\\UiView\\WXprs.txt"), "x");
        const QString relativeError = WeatherFile::write(QStringLiteral("UiView\\WXprs.txt"), "x");
        QDir::setCurrent(previous);
        QVERIFY(driveError.contains(QStringLiteral("C:")));
        QVERIFY(!relativeError.isEmpty());
        QVERIFY(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }

    // A reader that reads the file in a loop while it is rewritten many times only ever
    // sees one whole version or the other.
    void readerNeverSeesPartialFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("WXprs.txt"));
        const QByteArray shortText("Jan 01 2026 00:00\r\nABC\r\n");
        const QByteArray longText("Jan 01 2026 00:01\r\nABCDEFGHIJKLMNO\r\n");
        QCOMPARE(WeatherFile::write(path, longText), QString());

        std::atomic<bool> done{false};
        std::atomic<int> reads{0};
        std::atomic<int> bad{0};
        std::thread reader([&] {
            while (!done) {
                QFile file(path);
                if (!file.open(QIODevice::ReadOnly)) {
                    ++bad;
                    continue;
                }
                const QByteArray seen = file.readAll();
                if (seen != shortText && seen != longText)
                    ++bad;
                ++reads;
            }
        });
        int failedWrites = 0;
        for (int i = 0; i < 2000; ++i)
            failedWrites +=
                WeatherFile::write(path, i % 2 ? shortText : longText).isEmpty() ? 0 : 1;
        done = true;
        reader.join();
        QCOMPARE(failedWrites, 0);
        QCOMPARE(bad.load(), 0);
        QVERIFY(reads.load() > 0);
    }
};

QTEST_GUILESS_MAIN(TestWeatherFile)
#include "tst_weatherfile.moc"
