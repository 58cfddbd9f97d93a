// The emulated boot loader behind a kernel-shaped hidraw node, for testing
// the real platform layers (hidapi on Linux, Wine's HID stack) without
// hardware. The process must run under umockdev-wrapper: umockdev's preload
// shows the mocked sysfs and /dev to this process and to its children, and
// hands every ioctl, read and write on the node to the handlers here, which
// answer them as the kernel's hidraw and usbhid drivers would, through the
// same EmulatedBootLoader that the emulated bus uses.
//
// The device follows its own behaviour in real time: after CMD_RESET its node
// goes away and, after the device's re-enumeration time, a new node with the
// next number appears, as a real device re-enumerates.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "hid/emulated/emulated_bus.h"
#include "sequencer/clock.h"
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
  std::string Port = "1-1";
  bool NodeMissing = false;  // sysfs lists the device, /dev has no node
};

class HidrawBootLoader {
 public:
  explicit HidrawBootLoader(const HidrawDeviceConfig& config);
  ~HidrawBootLoader();
  HidrawBootLoader(const HidrawBootLoader&) = delete;
  HidrawBootLoader& operator=(const HidrawBootLoader&) = delete;

  // Builds the testbed and plugs the device in. False, with the reason, when
  // the process does not run under umockdev's preload or the testbed cannot
  // be built: the tests must then fail, never pass without a device.
  bool Start(std::string& error);

  void InjectFault(emulated::FaultKind kind, int n = 1);
  void InjectTransportFault(TransportFault kind, int n = 1);

  // What reached the device, read under the device's lock.
  std::vector<std::uint8_t> Flash() const;
  int ResetCount() const;
  std::size_t DataReportCount() const;
  // The nodes the device has had, in order (/dev/hidraw0, /dev/hidraw1, ...).
  std::vector<std::string> DevNodes() const;
  // The node the device has now; empty while it is off the bus.
  std::string CurrentDevNode() const;
  std::string RootDir() const;

 private:
  struct Node;

  void Pump();
  void Plug();
  void Unplug(Node& node);
  void Deliver(Node& node, std::vector<std::uint8_t> report);
  bool TakeTransportFault(TransportFault kind, std::uint64_t count);

  // Handlers, on umockdev's thread.
  friend struct NodeCallbacks;
  void HandleIoctl(Node& node, void* client);
  void HandleRead(Node& node, void* client);
  void HandleWrite(Node& node, void* client);
  void ClientConnected(Node& node);

  HidrawDeviceConfig config_;
  NodeIdentity identity_;
  SteadyClock clock_;
  mutable std::mutex lock_;
  emulated::EmulatedBus bus_{clock_};
  emulated::EmulatedBootLoader& device_;
  void* testbed_ = nullptr;  // UMockdevTestbed
  std::vector<std::unique_ptr<Node>> nodes_;
  Node* live_ = nullptr;
  bool plugFailed_ = false;  // the pump's own
  std::atomic<bool> stop_{false};
  std::thread pump_;

  std::uint64_t featureGets_ = 0, featureRequests_ = 0, inputsDelivered_ = 0,
                transfers_ = 0;
  std::vector<std::pair<TransportFault, std::uint64_t>> transportFaults_;
};

}  // namespace zentrel::hidraw
