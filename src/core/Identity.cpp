#include "core/Identity.h"

namespace core {

const char* const kProgramName = UIQ_NAME;
const char* const kProgramVersion = UIQ_VERSION;
const char* const kProgramDescription = UIQ_DESCRIPTION;

} // namespace core
