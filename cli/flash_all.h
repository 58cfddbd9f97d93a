// flash FILE --all: every device with the IDs that is attached when the
// command starts gets a road of its own (its own BootSequencer, its own
// DeviceAccess held to the device's port, its own copy of the image), all
// side by side in one thread each on the one platform. The main thread only
// shows them: a live table on a terminal, one result line per device in a
// log, one JSON object per device with --json.
#pragma once

#include <string>

#include "cli/console_view.h"
#include "cli/device_session.h"
#include "image/image_store.h"
#include "protocol/clock.h"

namespace zentrel::cli {

// Returns the exit code: 0 only when every device passed. clock must be
// safe to use from several threads (a SteadyClock is).
int FlashAllDevices(const DeviceOptions& options, const ImageStore& image, ConsoleView& view,
                    Clock& clock);

}  // namespace zentrel::cli
