#include "tests/hidraw/hidraw_boot_loader.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <thread>

#include "hid/utf8_text.h"
#include "tests/hidraw/hidraw_testbed.h"

namespace zentrel::hidraw {

namespace {

constexpr std::size_t kShortFeatureBytes = 5;
constexpr std::size_t kShortInputBytes = 20;

UMockdevTestbed* Testbed(void* p) { return static_cast<UMockdevTestbed*>(p); }

std::string Utf8(const std::u16string& text) { return Utf8FromUtf16(text.c_str()); }

std::string Joined(const std::string& root, const std::string& path) { return root + path; }

// Answers a read with as much of the report as it takes, or with EIO when
// there is none (the device has gone).
void AnswerRead(UMockdevIoctlClient* client, const std::vector<std::uint8_t>* report) {
  if (report == nullptr) return umockdev_ioctl_client_complete(client, -1, EIO);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const std::size_t n = std::min(static_cast<std::size_t>(arg->data_len), report->size());
  std::memcpy(arg->data, report->data(), n);
  umockdev_ioctl_client_complete(client, static_cast<glong>(n), 0);
}

// Answers the read that waits for a report, if there is one, and lets it go.
void EndWaitingRead(UMockdevIoctlClient*& pending, const std::vector<std::uint8_t>* report) {
  if (pending == nullptr) return;
  AnswerRead(pending, report);
  g_object_unref(pending);
  pending = nullptr;
}

}  // namespace

HidrawDeviceConfig NumberedDevice(int k, HidrawDeviceConfig base) {
  base.Port = "1-" + std::to_string(k);
  char serial[16];
  std::snprintf(serial, sizeof serial, "ZB-%06d", k % 1000000);
  base.Behaviour.Serial.assign(serial, serial + std::strlen(serial));
  return base;
}

std::optional<TransportFault> ParseTransportFault(std::string_view name) {
  if (name == "short-feature") return TransportFault::ShortFeature;
  if (name == "short-input") return TransportFault::ShortInput;
  if (name == "eio") return TransportFault::IoError;
  if (name == "epipe") return TransportFault::Stall;
  return std::nullopt;
}

// One appearance of the device: its node, the terminal that stands in for
// the node, and the input reports queued for the opener.
struct HidrawBootLoader::Node {
  HidrawBootLoader* Owner = nullptr;
  NodeLayout Layout;
  UMockdevIoctlBase* Handler = nullptr;
  int MasterFd = -1;  // the testbed's end: one byte per queued report
  int SlaveFd = -1;   // our own opening of the node's end, to take them back
  HidHandle Bus = kNoHidHandle;
  bool Alive = true;
  // The device's resets when this node appeared: after one more, the device
  // has left this node.
  int ResetsAtPlug = 0;
  std::deque<std::vector<std::uint8_t>> Queue;
  UMockdevIoctlClient* Pending = nullptr;  // a read waiting for a report
  std::vector<UMockdevIoctlClient*> Openers;  // held; the closed ones go at the next open
};

struct NodeCallbacks {
  static HidrawBootLoader::Node& Of(gpointer p) {
    return *static_cast<HidrawBootLoader::Node*>(p);
  }
  template <void (HidrawBootLoader::*Handle)(HidrawBootLoader::Node&, void*)>
  static gboolean Request(UMockdevIoctlBase*, UMockdevIoctlClient* c, gpointer n) {
    (Of(n).Owner->*Handle)(Of(n), c);
    return TRUE;
  }
  static void Connected(UMockdevIoctlBase*, UMockdevIoctlClient* c, gpointer n) {
    Of(n).Owner->ClientConnected(Of(n), c);
  }
};

HidrawBootLoader::HidrawBootLoader(HidrawTestbed& bed, const HidrawDeviceConfig& config)
    : bed_(bed), config_(config), device_(bus_.AddBootLoader(config.Behaviour)) {
  identity_.VendorId = config.Behaviour.VendorId;
  identity_.ProductId = config.Behaviour.ProductId;
  identity_.Product = Utf8(config.Behaviour.ProductString);
  identity_.Serial = Utf8(config.Behaviour.Serial);
  identity_.Port = config.Port;
}

// Before the testbed goes: no read is left waiting, no terminal open.
void HidrawBootLoader::Stop() {
  for (auto& node : nodes_) {
    EndWaitingRead(node->Pending, nullptr);
    if (node->SlaveFd >= 0) close(node->SlaveFd);
    node->SlaveFd = -1;
  }
}

// After the testbed has gone: no handler can be called any more.
HidrawBootLoader::~HidrawBootLoader() {
  Stop();
  for (auto& node : nodes_) {
    for (UMockdevIoctlClient* opener : node->Openers) g_object_unref(opener);
    if (node->Handler != nullptr) g_object_unref(node->Handler);
  }
}

bool HidrawBootLoader::PlugFirst() {
  if (config_.ArriveMs > 0) {
    arriveAt_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(config_.ArriveMs);
    return true;
  }
  Plug();
  return live_ != nullptr;
}

void HidrawBootLoader::Plug() {
  UMockdevTestbed* tb = Testbed(bed_.Testbed());
  auto owned = std::make_unique<Node>();
  Node& node = *owned;
  node.Owner = this;
  node.Layout = LayoutFor(identity_, bed_.TakeNumber());
  const NodeLayout& l = node.Layout;
  GError* err = nullptr;
  auto failed = [&err](gboolean done) {
    g_clear_error(&err);
    return !done;
  };
  if (failed(umockdev_testbed_add_from_string(tb, DescribeParents(identity_, l).c_str(), &err))) {
    return;
  }
  // The handler is in place before the node exists: whoever opens the node
  // on its "add" event (Wine does) must reach it, and umockdev's preload
  // decides that at the open.
  node.Handler = umockdev_ioctl_base_new();
  using Callbacks = NodeCallbacks;
  g_signal_connect(node.Handler, "handle-ioctl",
                   G_CALLBACK(Callbacks::Request<&HidrawBootLoader::HandleIoctl>), &node);
  g_signal_connect(node.Handler, "handle-read",
                   G_CALLBACK(Callbacks::Request<&HidrawBootLoader::HandleRead>), &node);
  g_signal_connect(node.Handler, "handle-write",
                   G_CALLBACK(Callbacks::Request<&HidrawBootLoader::HandleWrite>), &node);
  g_signal_connect(node.Handler, "client-connected", G_CALLBACK(NodeCallbacks::Connected),
                   &node);
  // Kept for the whole run: a late request on a node that has gone away
  // still finds its handler, which answers as for an unplugged device. It
  // reaches the device as soon as it can be opened (Wine opens it on "add").
  {
    std::lock_guard<std::mutex> hold(lock_);
    node.Bus = bus_.Open(device_.Path());
    node.ResetsAtPlug = device_.ResetCount();
    nodes_.push_back(std::move(owned));
  }
  // Until the end, a failure leaves the device unplugged for good.
  plugFailed_ = true;
  if (failed(umockdev_testbed_attach_ioctl(tb, l.DevNode.c_str(), node.Handler, &err)) ||
      failed(umockdev_testbed_add_from_string(tb, DescribeHidraw(l).c_str(), &err))) {
    return;
  }
  // hidapi finds the report descriptor through the node's "device" link.
  umockdev_testbed_set_attribute_link(tb, l.Hidraw.c_str(), "device",
                                      ("../../../" + l.HidName).c_str());

  const std::string root = bed_.RootDir();
  const std::string nodeLink = Joined(root, l.DevNode);
  char pts[256] = "";
  const ssize_t n = readlink(nodeLink.c_str(), pts, sizeof pts - 1);
  if (n <= 0) return;
  pts[n] = 0;
  const int slave = open(pts, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (slave < 0) return;
  termios t{};
  if (tcgetattr(slave, &t) == 0) {
    // Raw: each readiness byte passes at once, nothing is echoed.
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
  }

  // umockdev fakes stat() of the node but not fstat() of an open one, which
  // hidapi uses to find the node's sysfs entry: give the node the terminal's
  // own device number.
  struct stat st {};
  if (fstat(slave, &st) == 0) {
    const std::string mm =
        std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
    umockdev_testbed_set_attribute(tb, l.Hidraw.c_str(), "dev", mm.c_str());
    umockdev_testbed_set_property_int(tb, l.Hidraw.c_str(), "MAJOR",
                                      static_cast<gint>(major(st.st_rdev)));
    umockdev_testbed_set_property_int(tb, l.Hidraw.c_str(), "MINOR",
                                      static_cast<gint>(minor(st.st_rdev)));
    unlink(Joined(root, "/sys/dev/char/241:" + std::to_string(l.Number)).c_str());
    const std::string charLink = Joined(root, "/sys/dev/char/" + mm);
    unlink(charLink.c_str());
    const std::string target = "../.." + l.Hidraw.substr(4);
    const std::string dotNode = Joined(root, "/dev/.node/hidraw" + std::to_string(l.Number));
    unlink(dotNode.c_str());
    if (symlink(target.c_str(), charLink.c_str()) != 0 ||
        symlink(mm.c_str(), dotNode.c_str()) != 0) {
      close(slave);
      return;
    }
  }

  if (config_.NodeMissing) {
    // A node that cannot be opened must have no handler: umockdev's preload
    // connects even a failed open to the node's handler (or to its default
    // one) and keeps that in a table of 50 entries that only a close
    // empties, so a search of 500 attempts would overflow it.
    umockdev_testbed_detach_ioctl(tb, l.DevNode.c_str(), nullptr);
    unlink(Joined(root, "/ioctl/_default").c_str());
    unlink(nodeLink.c_str());
  }

  std::lock_guard<std::mutex> hold(lock_);
  node.SlaveFd = slave;
  node.MasterFd = umockdev_testbed_get_dev_fd(tb, l.DevNode.c_str());
  live_ = &node;
  plugFailed_ = false;
}

void HidrawBootLoader::Unplug(Node& node) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    node.Alive = false;
    bus_.Close(node.Bus);
    node.Bus = kNoHidHandle;
    live_ = nullptr;
    EndWaitingRead(node.Pending, nullptr);
    // Wake whoever waits in poll(): its read then finds the device gone.
    if (write(node.MasterFd, "x", 1) != 1) {
      // Nobody can be woken; a waiting reader still ends at its time limit.
    }
  }
  // The pump waits with it; the testbed's other devices wait too.
  std::this_thread::sleep_for(std::chrono::milliseconds(config_.LingerMs));
  UMockdevTestbed* tb = Testbed(bed_.Testbed());
  const NodeLayout& l = node.Layout;
  const std::string* tree[] = {&l.Hidraw, &l.HidDevice, &l.UsbInterface, &l.UsbDevice};
  for (const std::string* path : tree) umockdev_testbed_uevent(tb, path->c_str(), "remove");
  // The node goes first, so that nobody opens it while the tree goes away.
  unlink(Joined(bed_.RootDir(), l.DevNode).c_str());
  for (const std::string* path : tree) umockdev_testbed_remove_device(tb, path->c_str());
}

void HidrawBootLoader::PumpOnce() {
  Node* gone = nullptr;
  bool comeBack = false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    const bool present = device_.Present();
    // Also after a reset the pump was too late to see as an absence.
    if (live_ != nullptr && (!present || device_.ResetCount() != live_->ResetsAtPlug)) gone = live_;
    if (live_ == nullptr && present && !plugFailed_ &&
        std::chrono::steady_clock::now() >= arriveAt_) {
      comeBack = true;
    }
    // A read left waiting gets the next report, as a blocked read does.
    if (live_ != nullptr && present && live_->Queue.empty() && bus_.InputReady(live_->Bus)) {
      StringsReport report{};
      // A failed transfer on the interrupt pipe is simply no report.
      if (bus_.ReadInput(live_->Bus, report.data(), report.size(), 0)) {
        Deliver(*live_, std::vector<std::uint8_t>(report.begin() + 1, report.end()));
      }
    }
  }
  if (gone != nullptr) Unplug(*gone);
  if (comeBack) Plug();
}

// Under lock_: the report goes to a waiting read, or into the queue with one
// readiness byte, so that poll() on the node says there is something to read.
void HidrawBootLoader::Deliver(Node& node, std::vector<std::uint8_t> report) {
  if (TakeTransportFault(TransportFault::ShortInput, ++inputsDelivered_)) {
    report.resize(kShortInputBytes);
  }
  if (node.Pending != nullptr) return EndWaitingRead(node.Pending, &report);
  node.Queue.push_back(std::move(report));
  if (write(node.MasterFd, "x", 1) != 1) node.Queue.pop_back();
}

bool HidrawBootLoader::TakeTransportFault(TransportFault kind, std::uint64_t count) {
  for (auto it = transportFaults_.begin(); it != transportFaults_.end(); ++it) {
    if (it->first == kind && it->second == count) {
      transportFaults_.erase(it);
      return true;
    }
  }
  return false;
}

void HidrawBootLoader::ClientConnected(Node& node, void* c) {
  // Each opener has its own queue in hidraw: reports from before it opened
  // are not its to read. The node has one queue, for the one that reads:
  // emptied only for an opener that has the node to itself. A search that
  // opens every node (hidraw_probe.h) takes nothing from a board's line.
  auto* client = static_cast<UMockdevIoctlClient*>(c);
  std::lock_guard<std::mutex> hold(lock_);
  std::erase_if(node.Openers, [](UMockdevIoctlClient* opener) {
    if (umockdev_ioctl_client_get_connected(opener)) return false;
    g_object_unref(opener);
    return true;
  });
  node.Openers.push_back(static_cast<UMockdevIoctlClient*>(g_object_ref(client)));
  if (node.Openers.size() > 1) return;
  char tokens[64];
  while (!node.Queue.empty()) {
    const std::size_t n = std::min(node.Queue.size(), sizeof tokens);
    const ssize_t got = read(node.SlaveFd, tokens, n);
    if (got <= 0) break;
    for (ssize_t i = 0; i < got; ++i) node.Queue.pop_front();
  }
  node.Queue.clear();
}

bool HidrawBootLoader::Gone(const Node& node) const {
  // As the kernel's node: nothing more once the device has left the bus,
  // whether or not the pump has seen it leave yet.
  return !node.Alive || device_.ResetCount() != node.ResetsAtPlug || !device_.Present();
}

void HidrawBootLoader::HandleIoctl(Node& node, void* c) {
  auto* client = static_cast<UMockdevIoctlClient*>(c);
  const gulong request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const unsigned size = _IOC_SIZE(request);
  GError* err = nullptr;
  auto resolve = [&](std::size_t bytes) -> std::uint8_t* {
    UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, bytes, &err);
    if (d == nullptr) {
      g_clear_error(&err);
      return nullptr;
    }
    return d->data;
  };
  auto done = [&](long result, int error) {
    umockdev_ioctl_client_complete(client, result, error);
  };

  std::lock_guard<std::mutex> hold(lock_);
  if (Gone(node)) return done(-1, ENODEV);

  const auto& rdesc = ReportDescriptor();
  if (request == HIDIOCGRDESCSIZE) {
    std::uint8_t* p = resolve(sizeof(int));
    if (p == nullptr) return done(-1, EFAULT);
    const int value = static_cast<int>(rdesc.size());
    std::memcpy(p, &value, sizeof value);
    return done(0, 0);
  }
  if (request == HIDIOCGRDESC) {
    auto* p = reinterpret_cast<hidraw_report_descriptor*>(
        resolve(sizeof(hidraw_report_descriptor)));
    if (p == nullptr) return done(-1, EFAULT);
    if (p->size > HID_MAX_DESCRIPTOR_SIZE || p->size > rdesc.size()) return done(-1, EINVAL);
    std::memcpy(p->value, rdesc.data(), p->size);
    return done(0, 0);
  }
  if (request == HIDIOCGRAWINFO) {
    auto* p = reinterpret_cast<hidraw_devinfo*>(resolve(sizeof(hidraw_devinfo)));
    if (p == nullptr) return done(-1, EFAULT);
    p->bustype = BUS_USB;
    p->vendor = static_cast<__s16>(identity_.VendorId);
    p->product = static_cast<__s16>(identity_.ProductId);
    return done(0, 0);
  }
  if (_IOC_TYPE(request) != 'H') return done(-1, ENOTTY);
  const unsigned nr = _IOC_NR(request);
  if (nr == 0x04 || nr == 0x05 || nr == 0x08) {  // name, phys, uniq
    const std::string text = nr == 0x04   ? identity_.Manufacturer + " " + identity_.Product
                             : nr == 0x05 ? "usb-0000:00:14.0-" + identity_.Port.substr(2) +
                                                "/input0"
                                          : identity_.Serial;
    std::uint8_t* p = resolve(size);
    if (p == nullptr) return done(-1, EFAULT);
    const std::size_t n = std::min<std::size_t>(text.size() + 1, size);
    std::memcpy(p, text.c_str(), n);
    return done(static_cast<long>(n), 0);
  }
  if (nr != 0x06 && nr != 0x07) return done(-1, ENOTTY);

  // Feature reports: byte 0 is the report ID. The device has none, so usbhid
  // sends the other bytes for ID 0 and answers with them after a 0.
  std::uint8_t* p = resolve(size);
  if (p == nullptr) return done(-1, EFAULT);
  if (size < 1 || p[0] != 0) return done(-1, EPIPE);
  ++transfers_;
  ++featureRequests_;
  if (TakeTransportFault(TransportFault::IoError, transfers_)) return done(-1, EIO);
  if (TakeTransportFault(TransportFault::Stall, featureRequests_)) return done(-1, EPIPE);
  if (nr == 0x06) {  // HIDIOCSFEATURE
    if (!bus_.SetFeature(node.Bus, p, size)) return done(-1, EPIPE);
    return done(static_cast<long>(size), 0);
  }
  StatusReport status{};  // HIDIOCGFEATURE
  if (!bus_.GetFeature(node.Bus, status.data(), status.size())) return done(-1, EPIPE);
  std::size_t n = std::min<std::size_t>(size, 1 + kFeaturePayload);
  if (TakeTransportFault(TransportFault::ShortFeature, ++featureGets_)) {
    n = std::min(n, kShortFeatureBytes);
  }
  std::memcpy(p, status.data(), n);
  return done(static_cast<long>(n), 0);
}

void HidrawBootLoader::HandleWrite(Node& node, void* c) {
  auto* client = static_cast<UMockdevIoctlClient*>(c);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const auto length = static_cast<std::size_t>(arg->data_len);
  auto fail = [&](int error) { umockdev_ioctl_client_complete(client, -1, error); };
  std::lock_guard<std::mutex> hold(lock_);
  if (Gone(node)) return fail(ENODEV);
  if (length < 1 || arg->data[0] != 0) return fail(EINVAL);
  if (TakeTransportFault(TransportFault::IoError, ++transfers_)) return fail(EIO);
  // The report goes out on the interrupt pipe without its ID byte; the
  // emulated device takes it in the tool's layout, ID byte included.
  if (!bus_.WriteOutput(node.Bus, arg->data, length)) return fail(EIO);
  umockdev_ioctl_client_complete(client, static_cast<glong>(length), 0);
}

void HidrawBootLoader::HandleRead(Node& node, void* c) {
  auto* client = static_cast<UMockdevIoctlClient*>(c);
  std::lock_guard<std::mutex> hold(lock_);
  if (Gone(node) || TakeTransportFault(TransportFault::IoError, ++transfers_)) {
    return AnswerRead(client, nullptr);
  }
  if (node.Queue.empty()) {
    // A blocking read waits for the next report (poll()-first readers, as
    // hidapi and Wine are, never get here with nothing queued).
    node.Pending = static_cast<UMockdevIoctlClient*>(g_object_ref(client));
    return;
  }
  const std::vector<std::uint8_t> report = std::move(node.Queue.front());
  node.Queue.pop_front();
  char token;
  if (read(node.SlaveFd, &token, 1) != 1) {
    // The byte was already taken by a reader of the terminal itself.
  }
  AnswerRead(client, &report);
}

void HidrawBootLoader::InjectFault(emulated::FaultKind kind, int n) {
  std::lock_guard<std::mutex> hold(lock_);
  device_.InjectFault(kind, n);
}

void HidrawBootLoader::InjectTransportFault(TransportFault kind, int n) {
  std::lock_guard<std::mutex> hold(lock_);
  std::uint64_t base = 0;
  switch (kind) {
    case TransportFault::ShortFeature: base = featureGets_; break;
    case TransportFault::ShortInput: base = inputsDelivered_; break;
    case TransportFault::IoError: base = transfers_; break;
    case TransportFault::Stall: base = featureRequests_; break;
  }
  transportFaults_.emplace_back(kind, base + static_cast<std::uint64_t>(std::max(n, 1)));
}

std::vector<std::string> HidrawBootLoader::DevNodes() const {
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<std::string> names;
  for (const auto& node : nodes_) names.push_back(node->Layout.DevNode);
  return names;
}

std::string HidrawBootLoader::CurrentDevNode() const {
  std::lock_guard<std::mutex> hold(lock_);
  return live_ != nullptr ? live_->Layout.DevNode : std::string();
}

}  // namespace zentrel::hidraw
