// The library on Windows.
#include "Platform.h"

const std::string_view kConfigPathDelimiters = ".\\:";
// Windows hosts only ever pass "\" paths.
const char kHostPathSeparator = '\0';
