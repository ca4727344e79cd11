#include "core/Settings.h"

namespace core {

const char* const kOrganisation = "Vostrel";
const char* const kApplication = "UiQuorvix";
const char* const kConfigGroup = "Config";

const ConfigValue kWXPath = {"WXPath", "C:\\UiView\\WXprs.txt"};
const ConfigValue kCPort = {"CPort", "1"};

SettingRead readSetting(const SettingsStore& store, const ConfigValue& value)
{
    const StoredValue stored = store.read(value.name);
    switch (stored.state) {
    case StoredValue::State::Stored:
        return {stored.text, true, std::nullopt};
    case StoredValue::State::Unreadable:
        return {value.defaultText, true, stored.text};
    case StoredValue::State::Missing:
        break;
    }
    return {value.defaultText, store.write(value.name, value.defaultText).ok(), std::nullopt};
}

} // namespace core
