#include "core/Captions.h"
#include "core/PathRules.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>

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

// Every caption either program can show, each kind once, with placeholders for what varies.
QStringList everyCaption()
{
    namespace c = core::captions;
    using Outcome = core::ExchangeOutcome;
    // As the Linux program names a port: with the device behind it.
    const std::string port = c::portName(7, "DEVICE");
    const auto cannotWrite = [](const std::string& reason) {
        return c::withFileError("\u2026", "PATH", reason);
    };
    const std::vector<std::string> captions = {
        c::stopped(),
        c::started(),
        c::oneShot("+21.3"),
        c::reading("+21.3"),
        c::stoppedWithReading("+21.3"),
        cannotWrite("REASON"),
        cannotWrite(c::notAFile(c::EntryKind::Folder)),
        cannotWrite(c::linkOfAnotherUser("", 65534)),
        cannotWrite(c::tooManyLinks(core::kMostLinks)),
        cannotWrite(c::pathHoldsControlCharacter(0x0a)),
        cannotWrite(c::folderMissing("FOLDER")),
        cannotWrite(c::driveNotMapped("D:", "ROOT")),
        cannotWrite(c::notAPathHere()),
        cannotWrite(c::diskFull()),
        cannotWrite(c::noPathSet()),
        cannotWrite(c::windowsDeviceName("NUL")),
        c::noAnswer(port),
        c::exchangeFailed(failed(Outcome::PartAnswer, 49), port),
        c::exchangeFailed(failed(Outcome::Misshapen, 12345), port),
        c::readingEndedByPortChange(port),
        c::exchangeFailed(failed(Outcome::PartAnswer, 12345), port),
        c::exchangeFailed(failed(Outcome::TooLong, 0), port),
        c::exchangeFailed(failed(Outcome::LineBusy, 0), port),
        c::malformed(port),
        c::notOpen(port, "REASON"),
        c::lost(port, "REASON"),
        c::cannotBeOpened(port, c::noDeviceBehind(7)),
        c::cannotBeOpened(port, "REASON"),
        c::withLastReading("\u2026", "14:02"),
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
    QStringList documented;
    for (const std::string& caption : captions)
        documented << asDocumented(caption);
    return documented;
}

// The first column of each row of the README's table of captions: what the caption reads,
// in code spans, its main form first.
QList<QStringList> captionRows()
{
    QFile readme(QStringLiteral(UIQ_SOURCE_DIR "/README.md"));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf(QStringLiteral("\n## The caption"));
    const qsizetype end = text.indexOf(QStringLiteral("\n## "), start + 1);
    if (start < 0)
        return {};
    QList<QStringList> rows;
    const QRegularExpression span(QStringLiteral("`([^`]*)`"));
    for (const QString& line : text.mid(start, end - start).split(QLatin1Char('\n'))) {
        if (!line.startsWith(QStringLiteral("| `")))
            continue;
        const QString first = line.section(QStringLiteral(" | "), 0, 0);
        QStringList spans;
        for (auto match = span.globalMatch(first); match.hasNext();)
            spans << match.next().captured(1);
        rows << spans;
    }
    return rows;
}

} // namespace

// The README's table of captions and the programs' captions are the same list: a user who
// reads a caption finds what it means, and no row tells of a caption the programs never show.
class TestCaptions : public QObject
{
    Q_OBJECT

private slots:
    // Every caption is in the table, worded as the program words it.
    void everyCaptionIsARow()
    {
        const QList<QStringList> rows = captionRows();
        QVERIFY2(!rows.isEmpty(), "README.md has no table under \"The caption\"");
        for (const QString& caption : everyCaption()) {
            const bool found = std::any_of(rows.begin(), rows.end(), [&](const QStringList& row) {
                return row.contains(caption);
            });
            QVERIFY2(found, qPrintable(caption));
        }
    }

    // Every row of the table tells of a caption the programs show.
    void everyRowIsACaption()
    {
        const QStringList captions = everyCaption();
        for (const QStringList& row : captionRows())
            QVERIFY2(captions.contains(row.value(0)), qPrintable(row.value(0)));
    }
};

QTEST_GUILESS_MAIN(TestCaptions)
#include "tst_captions.moc"
