#pragma once

// Where the command line's answers go. A Windows window program has no console of its own:
// started from one, it writes --help, --version and its errors there, as a console program
// would. Elsewhere standard output and error are already the terminal's.
namespace console {

void useStartingConsole();

} // namespace console
