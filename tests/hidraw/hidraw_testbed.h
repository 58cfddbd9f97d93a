// A umockdev testbed with one or more emulated boot loaders behind hidraw
// nodes, each on its own USB port. The process must run under
// umockdev-wrapper: umockdev's preload shows the mocked sysfs and /dev to
// this process and to its children.
//
// Numbers are the testbed's, as the kernel's are the system's: the devices
// get hidraw0, hidraw1, ... in the order they were added, and a device that
// comes back after a reset gets the next number not yet given out.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/hidraw/hidraw_boot_loader.h"

namespace zentrel::hidraw {

class HidrawTestbed {
 public:
  HidrawTestbed() = default;
  ~HidrawTestbed();
  HidrawTestbed(const HidrawTestbed&) = delete;
  HidrawTestbed& operator=(const HidrawTestbed&) = delete;

  // Before Start only. The device lives as long as the testbed.
  HidrawBootLoader& Add(const HidrawDeviceConfig& config);

  // Builds the testbed and plugs the devices in, in the order added. False,
  // with the reason, when the process does not run under umockdev's preload
  // or a device cannot be plugged in: the tests must then fail, never pass
  // without a device.
  bool Start(std::string& error);

  std::string RootDir() const { return root_; }

 private:
  friend class HidrawBootLoader;

  void* Testbed() const { return testbed_; }
  int TakeNumber() { return nextNumber_++; }  // Start's, then the pump's
  void Pump();

  void* testbed_ = nullptr;  // UMockdevTestbed
  std::string root_;
  int nextNumber_ = 0;
  std::vector<std::unique_ptr<HidrawBootLoader>> devices_;
  std::atomic<bool> stop_{false};
  std::thread pump_;  // unplugs and plugs the devices as they reset
};

}  // namespace zentrel::hidraw
