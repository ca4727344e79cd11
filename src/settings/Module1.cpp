#include "settings/Module1.h"

#include <QSettings>
#include <memory>

namespace {

const QString kGroup = QStringLiteral("Config");

std::unique_ptr<QSettings> openStore(const QString& settingsFile)
{
    std::unique_ptr<QSettings> store;
    if (settingsFile.isEmpty())
        store = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Vostrel"), QStringLiteral("UiQuorvix"));
    else
        store = std::make_unique<QSettings>(settingsFile, QSettings::IniFormat);
    store->beginGroup(kGroup);
    return store;
}

} // namespace

Module1::Module1(QString settingsFile) : m_settingsFile(std::move(settingsFile)) {}

void Module1::ReadConfigValue(const QString& name, QString& setting,
                              const QString& defaultText) const
{
    {
        const auto store = openStore(m_settingsFile);
        const QVariant value = store->value(name);
        if (value.typeId() == QMetaType::QString) {
            setting = value.toString();
            return;
        }
    }
    WriteConfigValue(name, defaultText);
    setting = defaultText;
}

bool Module1::WriteConfigValue(const QString& name, const QString& text) const
{
    const auto store = openStore(m_settingsFile);
    // Storing what is already stored would cost a lock file and two flushes to disk, most of
    // start-up, where the window writes back the path it has just read. Whether the store
    // could take a change is still found out, without writing.
    const QVariant stored = store->value(name);
    if (store->status() == QSettings::NoError && stored.typeId() == QMetaType::QString &&
        stored.toString() == text)
        return store->isWritable();
    store->setValue(name, text);
    store->sync();
    // A syntax error elsewhere in the file is reported too, but the value was written.
    return store->status() != QSettings::AccessError;
}

QString Module1::location() const
{
    return openStore(m_settingsFile)->fileName();
}
