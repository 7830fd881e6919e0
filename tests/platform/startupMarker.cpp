// A module that marks the process when its start-up code runs, and carries
// one resource (this file, as "MARKER" 7): loading it as data must read the
// resource without leaving the mark.
#include <cstdlib>

__attribute__((constructor)) static void markStartUp() { setenv("ZOLM_STARTUP_MARK", "ran", 1); }
