#include "cli/StdinTerminal.h"

#ifdef _WIN32
#include <io.h>
namespace ostrel {
bool StdinIsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}
} // namespace ostrel
#else
#include <cstdio>
#include <unistd.h>
namespace ostrel {
bool StdinIsTerminal() {
    return isatty(fileno(stdin)) != 0;
}
} // namespace ostrel
#endif
