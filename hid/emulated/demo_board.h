// The board that the demo programs (zentrel-loader-demo, on Linux and on
// Windows) put on their emulated bus: it answers as the real device does,
// accepts the example images, and feels like one.
#pragma once

#include "hid/emulated/boot_loader_config.h"

namespace zentrel::emulated {

BootLoaderConfig DemoBoard();

}  // namespace zentrel::emulated
