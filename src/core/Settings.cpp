#include "core/Settings.h"

namespace core {

const char* const kOrganisation = "Vostrel";
// Where users' settings are stored: fixed, so that no change to the build's name leaves them
// behind.
const char* const kApplication = "UiQuorvix";
const char* const kConfigGroup = "Config";

const ConfigValue kWXPath = {"WXPath", "C:\\UiView\\WXprs.txt"};
const ConfigValue kCPort = {"CPort", "1"};

SettingRead readSetting(const SettingsStore& store, const ConfigValue& value)
{
    const StoredValue stored = store.read(value.name);
    if (!stored.ok())
        return {value.defaultText, true, stored.reason()};
    if (const std::optional<std::string>& text = *stored.value())
        return {*text, true, std::nullopt};
    return {value.defaultText, store.write(value.name, value.defaultText).ok(), std::nullopt};
}

} // namespace core
