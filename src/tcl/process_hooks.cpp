// Process-wide start-up and shut-down work of the subsystems: the stream
// kinds are registered once per process, whatever the number of interpreters.
#include "tcl/state_p.h"

void AuxIOStartHook() {}

void AuxIOFinishHook() {}
