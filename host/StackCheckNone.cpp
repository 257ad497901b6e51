// Where the platform has a single calling convention for the exports
// (64-bit Windows, POSIX), a slip cannot happen: the calls stay direct.
#include "StackCheck.h"

namespace host {

void CheckStackUse(PluginExports&) {}

}  // namespace host
