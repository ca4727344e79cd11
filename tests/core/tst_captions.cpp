#include "core/Captions.h"
#include "core/PathRules.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

// A caption with its variable parts written as the README writes them: COMn for the port, N
// for a number, and the words PATH, REASON, FILE, TEXT for the rest.
QString asDocumented(std::string caption)
{
    QString text = QString::fromStdString(caption);
    text.replace(QStringLiteral("COM7"), QStringLiteral("COMn"));
    text.replace(QRegularExpression(QStringLiteral("\\b(12345|65534|49)\\b")), QStringLiteral("N"));
    return text;
}

core::ExchangeStep failed(core::ExchangeOutcome outcome, std::size_t heard)
{
    core::ExchangeStep step;
    step.outcome = outcome;
    step.heard = heard;
    return step;
}

// What the README says the caption shows.
QString captionSection()
{
    QFile readme(QStringLiteral(UIQ_SOURCE_DIR "/README.md"));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf(QStringLiteral("\n## The caption"));
    const qsizetype end = text.indexOf(QStringLiteral("\n## "), start + 1);
    return start < 0 ? QString() : text.mid(start, end - start);
}

} // namespace

// Every caption the programs can show is in the README's table of captions, worded as the
// program words it: a user who reads a caption finds what it means.
class TestCaptions : public QObject
{
    Q_OBJECT

private slots:
    void documented_data()
    {
        namespace c = core::captions;
        using Outcome = core::ExchangeOutcome;
        // As the Linux program names a port: with the device behind it.
        const std::string port = c::portName(7, "DEVICE");
        QTest::addColumn<QString>("caption");
        const std::vector<std::string> captions = {
            c::stopped(),
            c::started(),
            c::oneShot("+21.3"),
            c::reading("+21.3"),
            c::withFileError("\u2026", "PATH", "REASON"),
            c::withFileError("\u2026", "PATH", c::notAFile(c::EntryKind::Folder)),
            c::withFileError("\u2026", "PATH", c::linkOfAnotherUser("", 65534)),
            c::withFileError("\u2026", "PATH", c::tooManyLinks(core::kMostLinks)),
            c::withFileError("\u2026", "PATH", c::pathHoldsControlCharacter(0x0a)),
            c::withFileError("\u2026", "PATH", c::windowsDeviceName("NUL")),
            c::noAnswer(port),
            c::exchangeFailed(failed(Outcome::PartAnswer, 49), port),
            c::exchangeFailed(failed(Outcome::PartAnswer, 12345), port),
            c::exchangeFailed(failed(Outcome::TooLong, 0), port),
            c::exchangeFailed(failed(Outcome::LineBusy, 0), port),
            c::malformed(port),
            c::notOpen(port, "REASON"),
            c::lost(port, "REASON"),
            c::cannotBeOpened(port, "REASON"),
            c::notAPortNumber("TEXT"),
            c::portOutOfRange(),
            c::storedPortNotANumber("TEXT"),
            c::noPortChosen(),
            c::pathNotSaved("FILE"),
            c::portNotSaved("FILE"),
            c::settingsNotSaved(false, "FILE"),
            c::cannotBeRead({"WXPath"}, c::unreadableLine(12345, "FILE", "REASON")),
            c::pathLongerThanBox(12345),
        };
        for (const std::string& caption : captions) {
            const QString documented = asDocumented(caption);
            QTest::newRow(qPrintable(documented)) << documented;
        }
    }

    void documented()
    {
        QFETCH(QString, caption);
        static const QString section = captionSection();
        QVERIFY2(!section.isEmpty(), "README.md has no section \"The caption\"");
        QVERIFY2(section.contains(caption), qPrintable(caption));
    }
};

QTEST_GUILESS_MAIN(TestCaptions)
#include "tst_captions.moc"
