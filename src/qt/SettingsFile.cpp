#include "qt/SettingsFile.h"

#include "core/Captions.h"
#include "qt/SettingsValueText.h"
#include "qt/Text.h"

#include <QHash>
#include <QIODevice>
#include <QStringDecoder>

namespace SettingsFile {

namespace {

QString caption(const std::string& text)
{
    return qt::text(text);
}

const QString kRootGroup = QStringLiteral("General");

QString trimmedBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool holdsControl(const QString& text)
{
    for (const QChar c : text) {
        if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

QString qualified(const QString& group, const QString& key)
{
    return group.isEmpty() ? key : group + QLatin1Char('/') + key;
}

// The key before the first "=" of a line that cannot be read as a whole, when that much can.
QString keyOfDamagedLine(const QByteArray& bytes)
{
    const qsizetype equals = bytes.indexOf('=');
    if (equals <= 0)
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString key = trimmedBlanks(decoder(bytes.left(equals)));
    if (decoder.hasError() || holdsControl(key) || key.startsWith(QLatin1Char('[')))
        return {};
    return key;
}

Line parseLine(int number, const QByteArray& raw, const std::optional<QString>& group)
{
    Line line;
    line.number = number;
    line.raw = raw;
    line.group = group;
    QByteArray bytes = raw;
    if (number == 1 && bytes.startsWith("\xef\xbb\xbf"))
        bytes.remove(0, 3);
    if (bytes.endsWith('\r'))
        bytes.chop(1);

    auto unreadable = [&](const QString& problem, const QString& key) {
        line.kind = Line::Kind::Unreadable;
        line.problem = problem;
        line.key = key;
        return line;
    };

    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = trimmedBlanks(decoder(bytes));
    const bool header = text.startsWith(QLatin1Char('['));
    // Nobody can tell which group the lines after a damaged header belong to.
    if (header && (decoder.hasError() || holdsControl(text) || !text.endsWith(QLatin1Char(']'))))
        line.group.reset();
    if (decoder.hasError())
        return unreadable(caption(core::captions::lineNotUtf8()), keyOfDamagedLine(bytes));
    if (holdsControl(text))
        return unreadable(caption(core::captions::lineHoldsControlCharacter()),
                          keyOfDamagedLine(bytes));
    if (text.isEmpty() || text.startsWith(QLatin1Char(';')) || text.startsWith(QLatin1Char('#')))
        return line;
    if (header) {
        if (!text.endsWith(QLatin1Char(']')))
            return unreadable(caption(core::captions::groupNotClosed()), {});
        const QString name = trimmedBlanks(text.mid(1, text.size() - 2));
        line.kind = Line::Kind::Group;
        line.group = name == kRootGroup ? QString() : name;
        return line;
    }
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return unreadable(caption(core::captions::lineWithoutEquals()), {});
    const QString key = trimmedBlanks(text.left(equals));
    if (key.isEmpty())
        return unreadable(caption(core::captions::lineWithoutName()), {});
    const core::Result<QVariant> parsed =
        SettingsValueText::parse(trimmedBlanks(text.mid(equals + 1)));
    if (!parsed.ok())
        return unreadable(caption(parsed.reason()), key);
    line.kind = Line::Kind::Entry;
    line.key = key;
    line.value = *parsed.value();
    return line;
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return a.toString() == b.toString();
    const auto otherType = QMetaType::fromType<SettingsValueText::OtherType>();
    if (a.metaType() == otherType && b.metaType() == otherType)
        return a.value<SettingsValueText::OtherType>().written ==
               b.value<SettingsValueText::OtherType>().written;
    return false;
}

QByteArray entryLine(const QString& key, const QVariant& value)
{
    QString written;
    if (value.metaType() == QMetaType::fromType<SettingsValueText::OtherType>())
        written = value.value<SettingsValueText::OtherType>().written;
    else
        written = SettingsValueText::write(value.toString());
    return (key + QLatin1Char('=') + written).toUtf8();
}

bool readFile(QIODevice& device, QSettings::SettingsMap& map)
{
    map = values(parse(device.readAll()));
    // A line that cannot be read is kept, not an error: the file as a whole was read.
    return true;
}

bool writeFile(QIODevice& device, const QSettings::SettingsMap& map)
{
    const QByteArray contents = write(map.value(layoutKey()).value<Layout>(), map);
    return device.write(contents) == contents.size();
}

} // namespace

Layout parse(const QByteArray& contents)
{
    Layout layout;
    QList<QByteArray> raws = contents.split('\n');
    if (raws.last().isEmpty())
        raws.removeLast();
    std::optional<QString> group = QString();
    for (qsizetype i = 0; i < raws.size(); ++i) {
        layout.append(parseLine(int(i + 1), raws[i], group));
        const Line& line = layout.last();
        if (line.kind == Line::Kind::Group || !line.group)
            group = line.group;
    }
    return layout;
}

QSettings::SettingsMap values(const Layout& layout)
{
    QSettings::SettingsMap map;
    for (const Line& line : layout) {
        if (line.kind == Line::Kind::Entry && line.group)
            map.insert(qualified(*line.group, line.key), line.value);
    }
    map.insert(layoutKey(), QVariant::fromValue(layout));
    return map;
}

QByteArray write(const Layout& layout, const QSettings::SettingsMap& values)
{
    // The line each value was last read from: there it is written, the way it was read.
    QHash<QString, qsizetype> home;
    // After this line a group's new values go.
    QHash<QString, qsizetype> groupEnd;
    for (qsizetype i = 0; i < layout.size(); ++i) {
        const Line& line = layout[i];
        if (!line.group)
            continue;
        if (line.kind == Line::Kind::Entry)
            home.insert(qualified(*line.group, line.key), i);
        if (line.kind != Line::Kind::Other)
            groupEnd.insert(*line.group, i);
    }
    QMap<QString, QStringList> fresh;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it.key() == layoutKey() || home.contains(it.key()))
            continue;
        const qsizetype slash = it.key().lastIndexOf(QLatin1Char('/'));
        fresh[slash < 0 ? QString() : it.key().left(slash)].append(it.key());
    }

    QByteArray out;
    auto writeFresh = [&](const QString& group) {
        for (const QString& key : fresh.take(group))
            out +=
                entryLine(key.mid(key.lastIndexOf(QLatin1Char('/')) + 1), values.value(key)) + '\n';
    };
    // Keys outside any group must come before the first header.
    if (!groupEnd.contains(QString()))
        writeFresh(QString());
    for (qsizetype i = 0; i < layout.size(); ++i) {
        const Line& line = layout[i];
        if (line.kind == Line::Kind::Entry && line.group) {
            const QString key = qualified(*line.group, line.key);
            const auto value = values.constFind(key);
            if (value == values.cend())
                continue;
            if (home.value(key) == i && !sameValue(*value, line.value)) {
                out += entryLine(line.key, *value);
                out += line.raw.endsWith('\r') ? "\r\n" : "\n";
            } else {
                out += line.raw + '\n';
            }
        } else {
            out += line.raw + '\n';
        }
        if (line.group && groupEnd.value(*line.group, -1) == i)
            writeFresh(*line.group);
    }
    for (const QString& group : fresh.keys()) {
        if (!out.isEmpty() && !out.endsWith("\n\n"))
            out += '\n';
        out += '[' + group.toUtf8() + "]\n";
        writeFresh(group);
    }
    return out;
}

QString layoutKey()
{
    // A control character: a line holding one is never read as a key.
    return QStringLiteral("\x01layout");
}

std::optional<Line> unreadableLineFor(const Layout& layout, const QString& group,
                                      const QString& key)
{
    for (const Line& line : layout) {
        if (line.kind != Line::Kind::Unreadable)
            continue;
        // A damaged line outside any group may have lost the header of this one.
        const bool inGroup = !line.group || line.group->isEmpty() || *line.group == group;
        if (inGroup && (line.key.isEmpty() || line.key == key))
            return line;
    }
    return std::nullopt;
}

QSettings::Format format()
{
    static const QSettings::Format registered =
        QSettings::registerFormat(QStringLiteral("conf"), readFile, writeFile, Qt::CaseSensitive);
    return registered;
}

} // namespace SettingsFile
