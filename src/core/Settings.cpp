#include "core/Settings.h"

namespace core {

// Where users' settings are stored, as the build names it (UIQ_ORGANISATION, UIQ_SETTINGS_NAME).
const char* const kOrganisation = UIQ_ORGANISATION;
const char* const kApplication = UIQ_SETTINGS_NAME;
const char* const kConfigGroup = "Config";

const ConfigValue kWXPath = {"WXPath", "C:\\UiView\\WXprs.txt"};
const ConfigValue kCPort = {"CPort", "1"};

SettingRead readSetting(const SettingsStore& store, const ConfigValue& value)
{
    const StoredValue stored = store.read(value.name);
    if (!stored.ok())
        return {value.defaultText, Done{}, Outcome::failure(stored.reason())};
    if (const std::optional<std::string>& text = *stored.value())
        return {*text, Done{}, Done{}};
    return {value.defaultText, store.write(value.name, value.defaultText), Done{}};
}

} // namespace core
