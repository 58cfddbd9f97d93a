#include "hid/emulated/emulated_bus.h"

#include <algorithm>

namespace zentrel::emulated {

struct EmulatedBus::Device {
  std::string Path;
  std::unique_ptr<EmulatedBootLoader> Boot;  // none: a device that is not ours
  OtherDeviceConfig Other;
  int ProbeOpens = 0;
  int Opens = 0;
  int Closes = 0;

  bool Present() const { return !Boot || Boot->Present(); }
  bool Openable() const { return Boot ? Boot->Openable() : Other.Openable; }
  std::uint64_t Generation() const { return Boot ? Boot->Generation() : 0; }
};

EmulatedBus::EmulatedBus(Clock& clock) : clock_(clock, lock_) {}
EmulatedBus::~EmulatedBus() = default;

namespace {

std::string PathFor(std::size_t index, const std::string& wanted) {
  if (!wanted.empty()) return wanted;
  return "emulated-hid-" + std::to_string(index);
}

}  // namespace

EmulatedBootLoader& EmulatedBus::AddBootLoader(const BootLoaderConfig& config) {
  std::lock_guard<BusLock> hold(lock_);
  auto device = std::make_unique<Device>();
  device->Path = PathFor(devices_.size(), config.Path);
  BootLoaderConfig plugged = config;
  ++bootLoadersAdded_;
  if (plugged.Port.empty()) plugged.Port = "emu-" + std::to_string(bootLoadersAdded_);
  device->Boot = std::make_unique<EmulatedBootLoader>(clock_, lock_, plugged, device->Path);
  collections_.push_back({devices_.size(), config.UsagePage, config.Usage});
  devices_.push_back(std::move(device));
  return *devices_.back()->Boot;
}

std::string EmulatedBus::AddOtherDevice(const OtherDeviceConfig& config) {
  std::lock_guard<BusLock> hold(lock_);
  auto device = std::make_unique<Device>();
  device->Path = PathFor(devices_.size(), config.Path);
  device->Other = config;
  collections_.push_back({devices_.size(), config.UsagePage, config.Usage});
  devices_.push_back(std::move(device));
  return devices_.back()->Path;
}

bool EmulatedBus::AddCollection(const std::string& path, std::uint16_t usagePage,
                                std::uint16_t usage) {
  std::lock_guard<BusLock> hold(lock_);
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    if (devices_[i]->Path == path) {
      collections_.push_back({i, usagePage, usage});
      return true;
    }
  }
  return false;
}

const EmulatedBus::Device* EmulatedBus::Find(const std::string& path) const {
  for (const auto& device : devices_) {
    if (device->Path == path) return device.get();
  }
  return nullptr;
}

int EmulatedBus::ProbeOpens(const std::string& path) const {
  std::lock_guard<BusLock> hold(lock_);
  const Device* device = Find(path);
  return device ? device->ProbeOpens : 0;
}

int EmulatedBus::Opens(const std::string& path) const {
  std::lock_guard<BusLock> hold(lock_);
  const Device* device = Find(path);
  return device ? device->Opens : 0;
}

int EmulatedBus::Closes(const std::string& path) const {
  std::lock_guard<BusLock> hold(lock_);
  const Device* device = Find(path);
  return device ? device->Closes : 0;
}

std::size_t EmulatedBus::OpenHandleCount() const {
  std::lock_guard<BusLock> hold(lock_);
  return handles_.size();
}

void EmulatedBus::Enumerate(const std::function<bool(const HidCollection&)>& visit) {
  std::lock_guard<BusLock> hold(lock_);
  // By index: a visit on this thread may still add a device.
  for (std::size_t i = 0; i < collections_.size(); ++i) {
    const Collection collection = collections_[i];
    Device& device = *devices_[collection.Device];
    if (!device.Present()) continue;
    ++device.ProbeOpens;
    if (device.Boot) device.Boot->NoteOpen(true);
    HidCollection seen;
    seen.Path = device.Path;
    seen.CapsKnown = device.Openable();
    if (seen.CapsKnown) {
      seen.UsagePage = collection.UsagePage;
      seen.Usage = collection.Usage;
    }
    if (!visit(seen)) return;
  }
}

HidHandle EmulatedBus::Open(const std::string& path) {
  std::lock_guard<BusLock> hold(lock_);
  auto it = std::find_if(devices_.begin(), devices_.end(),
                         [&](const auto& d) { return d->Path == path; });
  const char* why = it == devices_.end()      ? "no device with this path"
                    : !(*it)->Present()       ? "the device is not on the bus"
                    : !(*it)->Openable()      ? "cannot-open"
                                              : nullptr;
  if (why != nullptr) {
    Failed(kNoHidHandle, {HidError::Kind::Failed, 0, why});
    return kNoHidHandle;
  }
  Device& device = **it;
  ++device.Opens;
  if (device.Boot) device.Boot->NoteOpen(false);
  const HidHandle h = nextHandle_++;
  handles_[h] = {static_cast<std::size_t>(it - devices_.begin()), device.Generation()};
  return h;
}

EmulatedBus::Device* EmulatedBus::Live(HidHandle h) {
  auto it = handles_.find(h);
  if (it == handles_.end()) return nullptr;
  Device* device = devices_[it->second.Device].get();
  // A device that left the bus is a new device when it comes back: handles
  // from before stay dead.
  if (!device->Present() || device->Generation() != it->second.Generation) return nullptr;
  return device;
}

bool EmulatedBus::Failed(HidHandle h, HidError error) {
  errors_[h] = std::move(error);
  return false;
}

bool EmulatedBus::Dead(HidHandle h) {
  auto it = handles_.find(h);
  if (it == handles_.end()) return Failed(h, {HidError::Kind::Failed, 0, "not an open handle"});
  const Device& device = *devices_[it->second.Device];
  return Failed(h, {HidError::Kind::Failed, 0,
                    device.Boot ? device.Boot->LeftText() : "the device left the bus"});
}

bool EmulatedBus::Refused(HidHandle h, const Device& device) {
  return Failed(h, device.Boot->failure_);
}

HidError EmulatedBus::LastError(HidHandle h) {
  std::lock_guard<BusLock> hold(lock_);
  auto it = errors_.find(h);
  return it == errors_.end() ? HidError{} : it->second;
}

bool EmulatedBus::SpendTransferTime(HidHandle h, std::uint64_t us) {
  Device* before = Live(h);
  clock_.SleepUs(us);
  // The lock was let go meanwhile: the device may have left, or the handle
  // been closed, by another thread.
  return Live(h) == before;
}

bool EmulatedBus::GetAttributes(HidHandle h, std::uint16_t& vendorId,
                                std::uint16_t& productId) {
  std::lock_guard<BusLock> hold(lock_);
  Device* device = Live(h);
  if (device == nullptr) return Dead(h);
  vendorId = device->Boot ? device->Boot->Config().VendorId : device->Other.VendorId;
  productId = device->Boot ? device->Boot->Config().ProductId : device->Other.ProductId;
  return true;
}

bool EmulatedBus::GetProductString(HidHandle h, char16_t* units, std::size_t count) {
  std::lock_guard<BusLock> hold(lock_);
  Device* device = Live(h);
  if (device == nullptr) return Dead(h);
  if (device->Boot) return device->Boot->HandleProductString(units, count);
  if (units == nullptr || count == 0) return false;
  const std::u16string& text = device->Other.ProductString;
  const std::size_t n = std::min(count - 1, text.size());
  std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), units);
  units[n] = 0;
  return true;
}

bool EmulatedBus::GetSerialNumber(HidHandle h, char16_t* units, std::size_t count) {
  std::lock_guard<BusLock> hold(lock_);
  Device* device = Live(h);
  if (device == nullptr) return Dead(h);
  if (!device->Boot || units == nullptr || count == 0) {
    return Failed(h, {HidError::Kind::Failed, 0, "no serial number"});
  }
  const std::u16string& text = device->Boot->Config().Serial;
  const std::size_t n = std::min(count - 1, text.size());
  std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), units);
  units[n] = 0;
  return true;
}

bool EmulatedBus::SetFeature(HidHandle h, const std::uint8_t* data, std::size_t length) {
  std::lock_guard<BusLock> hold(lock_);
  Device* device = Live(h);
  if (device == nullptr) return Dead(h);
  if (!device->Boot) return data != nullptr && length > 0;
  if (!SpendTransferTime(h, device->Boot->Config().Latency.FeatureUs)) return Dead(h);
  return device->Boot->HandleSetFeature(data, length) || Refused(h, *device);
}

bool EmulatedBus::GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) {
  std::lock_guard<BusLock> hold(lock_);
  Device* device = Live(h);
  if (device == nullptr) return Dead(h);
  if (!device->Boot) {
    if (data == nullptr || length == 0) return false;
    std::fill(data + 1, data + length, std::uint8_t{0});
    return true;
  }
  if (!SpendTransferTime(h, device->Boot->Config().Latency.FeatureUs)) return Dead(h);
  return device->Boot->HandleGetFeature(data, length) || Refused(h, *device);
}

bool EmulatedBus::WriteOutput(HidHandle h, const std::uint8_t* data, std::size_t length) {
  std::lock_guard<BusLock> hold(lock_);
  Device* device = Live(h);
  if (device == nullptr) return Dead(h);
  if (!device->Boot) return data != nullptr && length > 0;
  if (!SpendTransferTime(h, device->Boot->Config().Latency.OutputUs)) return Dead(h);
  return device->Boot->HandleOutput(data, length) || Refused(h, *device);
}

bool EmulatedBus::ReadInput(HidHandle h, std::uint8_t* data, std::size_t length,
                            int timeoutMs) {
  std::lock_guard<BusLock> hold(lock_);
  Device* device = Live(h);
  if (device == nullptr) return Dead(h);
  if (device->Boot) return device->Boot->HandleInput(data, length, timeoutMs) || Refused(h, *device);
  // Not ours: it never sends anything.
  if (timeoutMs > 0) clock_.SleepUs(static_cast<std::uint64_t>(timeoutMs) * 1000u);
  return Failed(h, {HidError::Kind::TimedOut, 0, ""});
}

bool EmulatedBus::InputReady(HidHandle h) {
  std::lock_guard<BusLock> hold(lock_);
  Device* device = Live(h);
  return device != nullptr && device->Boot && device->Boot->InputReady();
}

std::vector<UnopenableDevice> EmulatedBus::FindUnopenable(std::uint16_t vendorId,
                                                          std::uint16_t productId) {
  std::lock_guard<BusLock> hold(lock_);
  std::vector<UnopenableDevice> found;
  for (const Collection& collection : collections_) {
    const Device& device = *devices_[collection.Device];
    if (!device.Boot || !device.Present() || device.Openable()) continue;
    const BootLoaderConfig& config = device.Boot->Config();
    if (config.VendorId == vendorId && config.ProductId == productId &&
        collection.UsagePage == kBootUsagePage && collection.Usage == kBootUsage) {
      // It stands for a node the user has no access to, as the reason says.
      found.push_back({device.Path, "Permission denied (emulated)", true});
    }
  }
  return found;
}

std::string EmulatedBus::GetLocation(const std::string& path) {
  std::lock_guard<BusLock> hold(lock_);
  const Device* device = Find(path);
  if (device == nullptr || !device->Boot || !device->Present()) return {};
  return device->Boot->Config().Port;
}

void EmulatedBus::Close(HidHandle h) {
  std::lock_guard<BusLock> hold(lock_);
  auto it = handles_.find(h);
  if (it == handles_.end()) return;
  ++devices_[it->second.Device]->Closes;
  handles_.erase(it);
  errors_.erase(h);
}

}  // namespace zentrel::emulated
