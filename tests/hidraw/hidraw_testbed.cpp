#include "tests/hidraw/hidraw_testbed.h"

#include <umockdev.h>

#include <chrono>

namespace zentrel::hidraw {

namespace {

constexpr auto kPumpPeriod = std::chrono::milliseconds(1);

}  // namespace

HidrawBootLoader& HidrawTestbed::Add(const HidrawDeviceConfig& config) {
  devices_.push_back(std::unique_ptr<HidrawBootLoader>(new HidrawBootLoader(*this, config)));
  return *devices_.back();
}

bool HidrawTestbed::Start(std::string& error) {
  testbed_ = umockdev_testbed_new();
  if (testbed_ == nullptr) {
    error = "cannot create the umockdev testbed";
    return false;
  }
  // Asked once the testbed exists: it looks at the redirected sysfs.
  if (!umockdev_in_mock_environment()) {
    error = "not running under umockdev-wrapper: there is no mocked /dev and /sys";
    return false;
  }
  gchar* root = umockdev_testbed_get_root_dir(static_cast<UMockdevTestbed*>(testbed_));
  root_ = root;
  g_free(root);
  for (const auto& device : devices_) {
    if (!device->PlugFirst()) {
      error = "cannot plug the hidraw node of port " + device->Config().Port +
              " into the testbed";
      return false;
    }
  }
  pump_ = std::thread([this] { Pump(); });
  return true;
}

void HidrawTestbed::Pump() {
  while (!stop_) {
    for (const auto& device : devices_) device->PumpOnce();
    std::this_thread::sleep_for(kPumpPeriod);
  }
}

HidrawTestbed::~HidrawTestbed() {
  stop_ = true;
  if (pump_.joinable()) pump_.join();
  for (const auto& device : devices_) device->Stop();
  // The devices' handlers go only after the testbed, which calls them.
  if (testbed_ != nullptr) g_object_unref(static_cast<UMockdevTestbed*>(testbed_));
  devices_.clear();
}

}  // namespace zentrel::hidraw
