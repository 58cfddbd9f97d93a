// One emulated boot loader behind a kernel-shaped hidraw node, for testing
// the real platform layers (hidapi on Linux, Wine's HID stack) without
// hardware. It lives in a HidrawTestbed, which makes it and plugs it in;
// umockdev hands every ioctl, read and write on its node to the handlers
// here, which answer them as the kernel's hidraw and usbhid drivers would,
// through the same EmulatedBootLoader that the emulated bus uses.
//
// The device follows its own behaviour in real time: after CMD_RESET its node
// goes away and, after the device's re-enumeration time, a new node with the
// testbed's next number appears on the same port, as a real device
// re-enumerates.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hid/emulated/emulated_bus.h"
#include "protocol/clock.h"
#include "tests/hidraw/hidraw_node_layout.h"

namespace zentrel::hidraw {

// Faults of the transport rather than of the device's behaviour, counted
// from the start: n = 1 is the first request of that kind.
enum class TransportFault {
  ShortFeature,  // the n-th feature read returns 5 bytes instead of 9
  ShortInput,    // the n-th input report delivered is 20 bytes instead of 63
  IoError,       // the n-th feature request, write or read fails with EIO
  Stall,         // the n-th feature request (set or get) stalls: EPIPE
};

std::optional<TransportFault> ParseTransportFault(std::string_view name);

struct HidrawDeviceConfig {
  emulated::BootLoaderConfig Behaviour;
  std::string Port = "1-1";  // the usb_device's name: bus 1, port 1
  bool NodeMissing = false;  // sysfs lists the device, /dev has no node
  // After the device leaves the bus, its node and sysfs entries stay this
  // long, as while the kernel tears them down: listed, but answering nothing.
  int LingerMs = 0;
  // Plugged in this long after the testbed starts, not with it.
  int ArriveMs = 0;
};

// Device k (1, 2, ...) of several: port "1-k", serial "ZB-00000k" (six
// digits), the rest as base has it.
HidrawDeviceConfig NumberedDevice(int k, HidrawDeviceConfig base = {});

class HidrawTestbed;

class HidrawBootLoader {
 public:
  ~HidrawBootLoader();
  HidrawBootLoader(const HidrawBootLoader&) = delete;
  HidrawBootLoader& operator=(const HidrawBootLoader&) = delete;

  const HidrawDeviceConfig& Config() const { return config_; }

  void InjectFault(emulated::FaultKind kind, int n = 1);
  void InjectTransportFault(TransportFault kind, int n = 1);

  // What reached the device, read under the device's lock.
  template <typename Read>
  auto Inspect(Read read) const {
    std::lock_guard<std::mutex> hold(lock_);
    return read(static_cast<const emulated::EmulatedBootLoader&>(device_));
  }
  std::vector<std::uint8_t> Flash() const { return Inspect([](auto& d) { return d.Flash(); }); }
  int ResetCount() const { return Inspect([](auto& d) { return d.ResetCount(); }); }
  std::size_t DataReportCount() const {
    return Inspect([](auto& d) { return d.DataReportCount(); });
  }
  // The nodes the device has had, in order (/dev/hidraw0, /dev/hidraw1, ...).
  std::vector<std::string> DevNodes() const;
  // The node the device has now; empty while it is off the bus.
  std::string CurrentDevNode() const;

 private:
  friend class HidrawTestbed;
  struct Node;

  HidrawBootLoader(HidrawTestbed& bed, const HidrawDeviceConfig& config);
  // The testbed's side, on its thread: the first node, one look at whether
  // the device left or came back, and the end (before the testbed goes).
  bool PlugFirst();
  void PumpOnce();
  void Stop();

  void Plug();
  void Unplug(Node& node);
  void Deliver(Node& node, std::vector<std::uint8_t> report);
  bool TakeTransportFault(TransportFault kind, std::uint64_t count);

  // Under lock_: whether the node no longer reaches its device.
  bool Gone(const Node& node) const;

  // Handlers, on umockdev's thread.
  friend struct NodeCallbacks;
  void HandleIoctl(Node& node, void* client);
  void HandleRead(Node& node, void* client);
  void HandleWrite(Node& node, void* client);
  void ClientConnected(Node& node, void* client);

  HidrawTestbed& bed_;
  HidrawDeviceConfig config_;
  NodeIdentity identity_;
  SteadyClock clock_;
  mutable std::mutex lock_;
  emulated::EmulatedBus bus_{clock_};
  emulated::EmulatedBootLoader& device_;
  std::vector<std::unique_ptr<Node>> nodes_;
  Node* live_ = nullptr;
  bool plugFailed_ = false;  // the pump's own
  std::chrono::steady_clock::time_point arriveAt_{};  // the pump's own

  std::uint64_t featureGets_ = 0, featureRequests_ = 0, inputsDelivered_ = 0,
                transfers_ = 0;
  std::vector<std::pair<TransportFault, std::uint64_t>> transportFaults_;
};

}  // namespace zentrel::hidraw
