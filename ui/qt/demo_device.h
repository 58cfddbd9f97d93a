// The emulated boot loader that zentrel-loader-demo puts on its virtual bus:
// it answers as the real device does and accepts the example images.
#pragma once

#include "hid/emulated/boot_loader_config.h"

namespace zentrel::qt {

emulated::BootLoaderConfig DemoBootLoaderConfig();

}  // namespace zentrel::qt
