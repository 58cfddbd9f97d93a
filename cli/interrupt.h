// Ctrl-C, SIGTERM, SIGHUP and SIGQUIT (Windows: the console's control events)
// ask the running road to stop at its next tick, so that the device is closed
// and the user learns what state it is left in. A second one, half a second
// or more after the first, ends the program at once.
// A closed standard output (SIGPIPE) never stops a conversation.
#pragma once

namespace zentrel::cli {

void InstallInterruptHandlers();
bool InterruptRequested();
// Forgets an earlier request, so that one process can run a second road.
void ClearInterrupt();

}  // namespace zentrel::cli
