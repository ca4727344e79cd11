#include "core/ConfigValues.h"

namespace core {

const char* const kOrganisation = "Vostrel";
const char* const kApplication = "UiQuorvix";
const char* const kConfigGroup = "Config";

const ConfigValue kWXPath = {"WXPath", "C:\\UiView\\WXprs.txt"};
const ConfigValue kCPort = {"CPort", "1"};

} // namespace core
