#include "console.h"

namespace console {

void useStartingConsole() {}

} // namespace console
