#include "qt/SettingsStore.h"

#include "core/Captions.h"
#include "core/Settings.h"
#include "qt/SettingsFile.h"
#include "qt/Text.h"

#include <QSettings>
#include <memory>

namespace qt {

namespace {

QString key(const char* name)
{
    return QLatin1String(core::kConfigGroup) + QLatin1Char('/') + QLatin1String(name);
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

core::StoredValue SettingsStore::read(const char* name) const
{
    const auto store = openStore(m_settingsFile);
    const QVariant value = store->value(key(name));
    if (value.typeId() == QMetaType::QString)
        return core::StoredValue(value.toString().toStdString());
    const auto damaged = SettingsFile::unreadableLineFor(
        store->value(SettingsFile::layoutKey()).value<SettingsFile::Layout>(),
        QLatin1String(core::kConfigGroup), QLatin1String(name));
    if (damaged)
        return core::StoredValue::failure(core::captions::unreadableLine(
            damaged->number, store->fileName().toStdString(), damaged->problem.toStdString()));
    return core::StoredValue(std::nullopt);
}

core::Outcome SettingsStore::write(const char* name, const std::string& text) const
{
    const auto store = openStore(m_settingsFile);
    const QString value = qt::text(text);
    // Storing what is already stored would cost a lock file and two flushes to disk, most of
    // start-up, where the window writes back the path it has just read. Whether the store
    // could take a change is still found out, without writing.
    const QVariant stored = store->value(key(name));
    if (store->status() == QSettings::NoError && stored.typeId() == QMetaType::QString &&
        stored.toString() == value) {
        if (store->isWritable())
            return core::Done{};
        return core::Outcome::failure(location());
    }
    store->setValue(key(name), value);
    store->sync();
    if (store->status() == QSettings::NoError)
        return core::Done{};
    return core::Outcome::failure(location());
}

std::string SettingsStore::location() const
{
    return openStore(m_settingsFile)->fileName().toStdString();
}

} // namespace qt
