#include "settings/Module1.h"

#include "core/ConfigValues.h"
#include "settings/SettingsFile.h"

#include <QSettings>
#include <memory>

namespace {

QString key(const QString& name)
{
    return QLatin1String(core::kConfigGroup) + QLatin1Char('/') + name;
}

std::unique_ptr<QSettings> openStore(const QString& settingsFile)
{
    std::unique_ptr<QSettings> store;
    if (!settingsFile.isEmpty()) {
        store = std::make_unique<QSettings>(settingsFile, SettingsFile::format());
    } else {
        store = std::make_unique<QSettings>(SettingsFile::format(), QSettings::UserScope,
                                            QLatin1String(core::kOrganisation),
                                            QLatin1String(core::kApplication));
    }
    // A value planted for the whole organisation or machine is not the user's.
    store->setFallbacksEnabled(false);
    return store;
}

} // namespace

Module1::Module1(QString settingsFile) : m_settingsFile(std::move(settingsFile)) {}

Module1::ReadResult Module1::ReadConfigValue(const QString& name, QString& setting,
                                             const QString& defaultText) const
{
    {
        const auto store = openStore(m_settingsFile);
        const QVariant value = store->value(key(name));
        if (value.typeId() == QMetaType::QString) {
            setting = value.toString();
            return {};
        }
        const auto damaged = SettingsFile::unreadableLineFor(
            store->value(SettingsFile::layoutKey()).value<SettingsFile::Layout>(),
            QLatin1String(core::kConfigGroup), name);
        if (damaged) {
            setting = defaultText;
            return {ReadResult::Outcome::Unreadable, QStringLiteral("line %1 of %2 %3")
                                                         .arg(damaged->number)
                                                         .arg(store->fileName(), damaged->problem)};
        }
    }
    WriteConfigValue(name, defaultText);
    setting = defaultText;
    return {ReadResult::Outcome::Defaulted, {}};
}

bool Module1::WriteConfigValue(const QString& name, const QString& text) const
{
    const auto store = openStore(m_settingsFile);
    // Storing what is already stored would cost a lock file and two flushes to disk, most of
    // start-up, where the window writes back the path it has just read. Whether the store
    // could take a change is still found out, without writing.
    const QVariant stored = store->value(key(name));
    if (store->status() == QSettings::NoError && stored.typeId() == QMetaType::QString &&
        stored.toString() == text)
        return store->isWritable();
    store->setValue(key(name), text);
    store->sync();
    return store->status() == QSettings::NoError;
}

QString Module1::location() const
{
    return openStore(m_settingsFile)->fileName();
}
