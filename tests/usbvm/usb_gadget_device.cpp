// zentrel-usb-gadget: the emulated boot loader as a real USB device, for a
// guest kernel whose dummy_hcd connects it to its own USB host stack. It
// runs in the guest's user space behind a FunctionFS function of a configfs
// gadget: it writes the HID interface's descriptors to ep0, answers the
// report descriptor request, SET_IDLE and the feature reports (GET_REPORT,
// SET_REPORT) as they come to ep0, takes output reports from the interrupt
// OUT endpoint and sends the device's input reports on the interrupt IN one.
//
// The gadget follows the device's presence: when the emulated device leaves
// the bus (a reset, a vanish) the gadget is unbound from its controller, and
// bound again, saying it now runs its boot loader, when the device is back.
//
//   zentrel-usb-gadget --gadget DIR --ffs DIR --udc NAME [options]
//     --serial TEXT        serial number (default ZB-000001)
//     --fault NAME[:N]     a fault of the emulated device, as --emulate-fault
//     --reenumerate-ms N   time off the bus after a reset (default 500)
//     --linger-ms N        after a reset, stay on the bus N ms more,
//                          answering nothing
//     --dump FILE          at SIGTERM, write the flash here
//     --report FILE        at SIGTERM, write resets, data reports, binds here
//
// It prints "ready" once the gadget is bound the first time, and ends at
// SIGTERM (or SIGINT) after writing its files.
#include <endian.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hid/emulated/emulated_bus.h"
#include "tests/hidraw/hidraw_node_layout.h"

namespace {

using namespace zentrel;
using emulated::DeviceMode;

constexpr std::uint8_t kHidDescriptorType = 0x21;
constexpr std::uint8_t kReportDescriptorType = 0x22;
constexpr std::uint8_t kGetReport = 0x01, kSetIdle = 0x0A, kSetReport = 0x09;
constexpr std::uint8_t kFeatureReportType = 3;
constexpr std::uint16_t kMaxPacket = 64;
constexpr int kHostControlTimeoutMs = 5000;  // the kernel's USB_CTRL_GET_TIMEOUT

struct __attribute__((packed)) HidDescriptor {
  std::uint8_t bLength, bDescriptorType;
  std::uint16_t bcdHID;
  std::uint8_t bCountryCode, bNumDescriptors, bReportType;
  std::uint16_t wReportLength;
};

struct __attribute__((packed)) InterfaceDescriptors {
  usb_interface_descriptor Interface;
  HidDescriptor Hid;
  usb_endpoint_descriptor_no_audio In, Out;
};

struct __attribute__((packed)) Descriptors {
  usb_functionfs_descs_head_v2 Header;
  std::uint32_t FullSpeedCount, HighSpeedCount;
  InterfaceDescriptors FullSpeed, HighSpeed;
};

// One HID interface, no report IDs, interrupt IN and OUT of 64 bytes every
// millisecond: a full-speed device's shape.
Descriptors MakeDescriptors() {
  const auto rdesc = static_cast<std::uint16_t>(hidraw::ReportDescriptor().size());
  InterfaceDescriptors d{};
  d.Interface = {USB_DT_INTERFACE_SIZE, USB_DT_INTERFACE, 0, 0, 2, USB_CLASS_HID, 0, 0, 0};
  d.Hid = {sizeof(HidDescriptor), kHidDescriptorType, htole16(0x0111), 0, 1,
           kReportDescriptorType, htole16(rdesc)};
  d.In = {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, 1 | USB_DIR_IN, USB_ENDPOINT_XFER_INT,
          htole16(kMaxPacket), 1};
  d.Out = {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, 2 | USB_DIR_OUT, USB_ENDPOINT_XFER_INT,
           htole16(kMaxPacket), 1};
  Descriptors all{};
  all.Header = {htole32(FUNCTIONFS_DESCRIPTORS_MAGIC_V2), htole32(sizeof(Descriptors)),
                htole32(FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC)};
  all.FullSpeedCount = all.HighSpeedCount = htole32(4);
  all.FullSpeed = all.HighSpeed = d;
  return all;
}

std::atomic<bool> g_stop{false};
void OnSignal(int) { g_stop = true; }

bool WriteFile(const std::string& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY);
  if (fd < 0) return false;
  const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return ok;
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct Options {
  std::string Gadget, Ffs, Udc, Dump, Report;
  std::vector<std::string> Faults;
  int LingerMs = 0;
  emulated::BootLoaderConfig Behaviour;
};

class Gadget {
 public:
  explicit Gadget(const Options& o)
      : o_(o), device_(bus_.AddBootLoader(o.Behaviour)) {}

  bool Start() {
    std::vector<emulated::FaultRequest> faults;
    if (const std::string bad = emulated::CheckFaultRequests(o_.Faults, &faults); !bad.empty()) {
      return Complain("--fault: " + bad);
    }
    for (const auto& f : faults) device_.InjectFault(f.Kind, f.N);
    ep0_ = open((o_.Ffs + "/ep0").c_str(), O_RDWR);
    if (ep0_ < 0) return Complain("cannot open " + o_.Ffs + "/ep0");
    const Descriptors descriptors = MakeDescriptors();
    const usb_functionfs_strings_head strings = {htole32(FUNCTIONFS_STRINGS_MAGIC),
                                                 htole32(sizeof strings), 0, 0};
    if (write(ep0_, &descriptors, sizeof descriptors) < 0 ||
        write(ep0_, &strings, sizeof strings) < 0) {
      return Complain("FunctionFS refused the descriptors");
    }
    in_ = open((o_.Ffs + "/ep1").c_str(), O_RDWR);
    out_ = open((o_.Ffs + "/ep2").c_str(), O_RDWR);
    if (in_ < 0 || out_ < 0) return Complain("no endpoint files in " + o_.Ffs);
    const auto& c = o_.Behaviour;
    char ids[2][8];
    std::snprintf(ids[0], sizeof ids[0], "0x%04x", c.VendorId);
    std::snprintf(ids[1], sizeof ids[1], "0x%04x", c.ProductId);
    if (!WriteFile(o_.Gadget + "/idVendor", ids[0]) ||
        !WriteFile(o_.Gadget + "/idProduct", ids[1]) ||
        !WriteFile(o_.Gadget + "/strings/0x409/manufacturer", "Zentrel") ||
        !WriteFile(o_.Gadget + "/strings/0x409/product", Narrow(c.ProductString)) ||
        !WriteFile(o_.Gadget + "/strings/0x409/serialnumber", Narrow(c.Serial))) {
      return Complain("cannot describe the gadget in " + o_.Gadget);
    }
    std::thread([this] { ServeEp0(); }).detach();
    std::thread([this] { TakeOutput(); }).detach();
    std::thread([this] { SendInput(); }).detach();
    return true;
  }

  // Mirrors the emulated device's presence on the controller until a signal.
  void Run() {
    bool announced = false;
    std::chrono::steady_clock::time_point leaveAt{};
    bool leaving = false;
    while (!g_stop) {
      {
        std::lock_guard<std::mutex> hold(lock_);
        if (bound_ && GoneLocked() && !leaving) {
          leaving = true;
          leaveAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(o_.LingerMs);
        }
      }
      if (leaving && std::chrono::steady_clock::now() >= leaveAt) {
        Unbind();
        leaving = false;
      }
      if (!bound_ && device_.Present() && !Bind()) return;
      if (bound_ && !announced) {
        std::printf("ready\n");
        std::fflush(stdout);
        announced = true;
      }
      Sleep(2);
    }
    Unbind();
  }

  bool WriteOutcome() const {
    bool ok = true;
    if (!o_.Dump.empty()) {
      std::ofstream out(o_.Dump, std::ios::binary);
      const auto& flash = device_.Flash();
      out.write(reinterpret_cast<const char*>(flash.data()),
                static_cast<std::streamsize>(flash.size()));
      ok = ok && static_cast<bool>(out);
    }
    if (!o_.Report.empty()) {
      std::ofstream out(o_.Report);
      out << "resets " << device_.ResetCount() << "\ndata-reports " << device_.DataReportCount()
          << "\nbinds " << binds_ << "\n";
      ok = ok && static_cast<bool>(out);
    }
    return ok;
  }

 private:
  static bool Complain(const std::string& why) {
    std::fprintf(stderr, "zentrel-usb-gadget: %s\n", why.c_str());
    return false;
  }

  static std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t u : text) out += static_cast<char>(u < 0x80 ? u : '?');
    return out;
  }

  // Under lock_: the device this binding stands for has left (reset, vanish).
  bool GoneLocked() { return !device_.Present() || device_.ResetCount() != resetsAtBind_; }

  bool Bind() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      // What the device says about itself follows its mode.
      const bool boot = device_.Mode() == DeviceMode::BootLoader;
      WriteFile(o_.Gadget + "/bcdDevice", boot ? "0x0200" : "0x0100");
      handle_ = bus_.Open(device_.Path());
      resetsAtBind_ = device_.ResetCount();
    }
    if (!WriteFile(o_.Gadget + "/UDC", o_.Udc)) return Complain("cannot bind to " + o_.Udc);
    bound_ = true;
    ++binds_;
    return true;
  }

  void Unbind() {
    if (!bound_) return;
    WriteFile(o_.Gadget + "/UDC", "\n");
    std::lock_guard<std::mutex> hold(lock_);
    bus_.Close(handle_);
    handle_ = kNoHidHandle;
    bound_ = false;
  }

  void ServeEp0() {
    usb_functionfs_event events[8];
    while (!g_stop) {
      pollfd p{ep0_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      const ssize_t n = read(ep0_, events, sizeof events);
      if (n <= 0) {
        Sleep(5);
        continue;
      }
      for (ssize_t i = 0; i < n / static_cast<ssize_t>(sizeof events[0]); ++i) {
        if (events[i].type == FUNCTIONFS_SETUP) Answer(events[i].u.setup);
      }
    }
  }

  void Stall(const usb_ctrlrequest& setup) {
    // FunctionFS stalls a request that is answered in the wrong direction.
    if (setup.bRequestType & USB_DIR_IN) {
      if (read(ep0_, nullptr, 0) < 0) return;
    } else if (write(ep0_, nullptr, 0) < 0) {
      return;
    }
  }

  void Send(const std::uint8_t* data, std::size_t n, std::uint16_t asked) {
    if (write(ep0_, data, std::min<std::size_t>(n, asked)) < 0) {
      // The host gave up on it (its time limit): nothing more to do.
    }
  }

  void Answer(const usb_ctrlrequest& setup) {
    const std::uint16_t value = le16toh(setup.wValue), length = le16toh(setup.wLength);
    const std::uint8_t type = setup.bRequestType, request = setup.bRequest;
    const bool toInterface = (type & USB_RECIP_MASK) == USB_RECIP_INTERFACE;
    if (type == (USB_DIR_IN | USB_TYPE_STANDARD | USB_RECIP_INTERFACE) &&
        request == USB_REQ_GET_DESCRIPTOR && value >> 8 == kReportDescriptorType) {
      const auto& rdesc = hidraw::ReportDescriptor();
      return Send(rdesc.data(), rdesc.size(), length);
    }
    if (!toInterface || (type & USB_TYPE_MASK) != USB_TYPE_CLASS) return Stall(setup);
    if (request == kSetIdle && !(type & USB_DIR_IN)) {
      if (read(ep0_, nullptr, 0) < 0) return;  // the status stage
      return;
    }
    const bool feature = value >> 8 == kFeatureReportType && (value & 0xFF) == 0;
    if (request == kSetReport && feature && !(type & USB_DIR_IN)) {
      // The whole report or none: the data stage cannot be refused once read.
      if (length != hidraw::kFeaturePayload) return Stall(setup);
      CommandReport report{};
      if (read(ep0_, report.data() + 1, length) != length) return;
      std::lock_guard<std::mutex> hold(lock_);
      if (!GoneLocked()) bus_.SetFeature(handle_, report.data(), report.size());
      return;
    }
    if (request == kGetReport && feature && (type & USB_DIR_IN)) {
      StatusReport status{};
      bool answered = false, silent = false;
      while (outPending_) std::this_thread::yield();
      {
        std::lock_guard<std::mutex> hold(lock_);
        if (!GoneLocked()) {
          answered = bus_.GetFeature(handle_, status.data(), status.size());
          // A hung firmware leaves the request to the host's time limit.
          silent = !answered && bus_.LastError(handle_).Text ==
                                    emulated::FaultKindName(emulated::FaultKind::StopAnswering);
        }
      }
      // FunctionFS stalls a pending IN request at the next read of ep0, so
      // the hung firmware reads nothing until the host has given up (5 s).
      if (silent) return Sleep(kHostControlTimeoutMs + 1000);
      if (!answered) return Stall(setup);
      return Send(status.data() + 1, hidraw::kFeaturePayload, length);
    }
    Stall(setup);
  }

  // The host's write returns once the OUT transfer is done, and its next
  // status request may follow at once: as a firmware takes its packets in the
  // order they came, this thread runs first (real-time priority) and a status
  // request waits while it holds a packet not yet given to the device.
  // Otherwise the status of the packet before would answer for this one.
  void TakeOutput() {
    sched_param priority{};
    priority.sched_priority = 50;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
    DataReport report{};
    while (!g_stop) {
      const ssize_t n = read(out_, report.data() + 1, report.size() - 1);
      if (n <= 0) {
        Sleep(5);  // not enabled yet, or unbound
        continue;
      }
      outPending_ = true;
      {
        // A shorter transfer is taken as it came: the device sees its length.
        std::lock_guard<std::mutex> hold(lock_);
        if (!GoneLocked()) {
          bus_.WriteOutput(handle_, report.data(), static_cast<std::size_t>(n) + 1);
        }
      }
      outPending_ = false;
    }
  }

  void SendInput() {
    while (!g_stop) {
      StringsReport report{};
      bool ready = false;
      {
        std::lock_guard<std::mutex> hold(lock_);
        ready = bound_ && !GoneLocked() && bus_.InputReady(handle_) &&
                bus_.ReadInput(handle_, report.data(), report.size(), 0);
      }
      // Waits for the host's next IN token; an unbind ends the wait.
      if (ready && write(in_, report.data() + 1, report.size() - 1) < 0) Sleep(5);
      // As a firmware that refreshes its report now and then, not on every
      // poll: the host's queue holds recent reports, not a thousand a second.
      Sleep(10);
    }
  }

  Options o_;
  SteadyClock clock_;
  std::mutex lock_;
  emulated::EmulatedBus bus_{clock_};
  emulated::EmulatedBootLoader& device_;
  HidHandle handle_ = kNoHidHandle;
  int resetsAtBind_ = 0;
  std::atomic<bool> bound_{false};
  std::atomic<bool> outPending_{false};  // a packet read, not yet given to the device
  int binds_ = 0;
  int ep0_ = -1, in_ = -1, out_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  o.Behaviour.ReenumerateUs = 500'000;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string opt = argv[i], value = argv[i + 1];
    if (opt == "--gadget") o.Gadget = value;
    else if (opt == "--ffs") o.Ffs = value;
    else if (opt == "--udc") o.Udc = value;
    else if (opt == "--serial") o.Behaviour.Serial.assign(value.begin(), value.end());
    else if (opt == "--fault") o.Faults.push_back(value);
    else if (opt == "--reenumerate-ms") o.Behaviour.ReenumerateUs = std::stoull(value) * 1000u;
    else if (opt == "--linger-ms") o.LingerMs = std::stoi(value);
    else if (opt == "--dump") o.Dump = value;
    else if (opt == "--report") o.Report = value;
    else {
      std::fprintf(stderr, "zentrel-usb-gadget: unknown option %s\n", opt.c_str());
      return 2;
    }
  }
  if (o.Gadget.empty() || o.Ffs.empty() || o.Udc.empty() || argc % 2 == 0) {
    std::fprintf(stderr, "usage: zentrel-usb-gadget --gadget DIR --ffs DIR --udc NAME ...\n");
    return 2;
  }
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  Gadget gadget(o);
  if (!gadget.Start()) return 1;
  gadget.Run();
  return gadget.WriteOutcome() ? 0 : 1;
}
