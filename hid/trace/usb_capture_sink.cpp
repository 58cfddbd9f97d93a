#include "hid/trace/usb_capture_sink.h"

#include <algorithm>

namespace zentrel::trace {

namespace {

constexpr std::uint8_t kInterrupt = 1;
constexpr std::uint8_t kControl = 2;
constexpr std::uint8_t kEndpointIn = 0x80;
constexpr std::uint8_t kInterruptEndpoint = 0x01;
constexpr std::uint16_t kBus = 1;
constexpr std::uint8_t kMaxAddress = 127;
// URB status values (negated errno), as usbmon gives them.
constexpr std::int32_t kInProgress = -115;
constexpr std::int32_t kProtocolError = -71;
constexpr std::int32_t kTimedOut = -110;
constexpr std::uint32_t kUrbDirIn = 0x200;
// HID class requests and the feature report type.
constexpr std::uint8_t kSetReport = 0x09;
constexpr std::uint8_t kGetReport = 0x01;
constexpr std::uint8_t kFeatureReport = 3;

std::vector<std::uint8_t> Setup(std::uint8_t requestType, std::uint8_t request,
                                std::uint16_t value, std::uint16_t index, std::uint16_t length) {
  std::vector<std::uint8_t> setup = {requestType, request};
  PutLe(setup, value, 2);
  PutLe(setup, index, 2);
  PutLe(setup, length, 2);
  return setup;
}

// The bytes of a report as the bus carries them: report ID 0 is not sent.
std::vector<std::uint8_t> OnTheWire(const std::uint8_t* data, std::size_t length) {
  if (data == nullptr || length == 0) return {};
  const std::size_t skip = data[0] == 0 ? 1 : 0;
  return std::vector<std::uint8_t>(data + skip, data + length);
}

std::uint32_t WireLength(const std::uint8_t* data, std::size_t length) {
  return static_cast<std::uint32_t>(data != nullptr && length > 0 && data[0] == 0 ? length - 1
                                                                                 : length);
}

std::int32_t StatusOf(const TraceRecord& r) {
  if (r.Ok || r.Error.What == HidError::Kind::Short) return 0;
  return r.Error.What == HidError::Kind::TimedOut ? kTimedOut : kProtocolError;
}

}  // namespace

UsbCaptureSink::UsbCaptureSink(std::FILE* out, bool own, std::uint64_t epochUs,
                               WriteFailed failed, std::string path)
    : out_(out, own, std::move(failed), std::move(path)),
      file_(out_, kLinkTypeUsbLinuxMmapped),
      epochUs_(epochUs) {}

std::uint8_t UsbCaptureSink::AddressOf(const std::string& board) {
  auto it = addresses_.find(board);
  if (it != addresses_.end()) return it->second;
  const auto address = static_cast<std::uint8_t>(addresses_.size() % kMaxAddress + 1);
  addresses_.emplace(board, address);
  return address;
}

void UsbCaptureSink::Packet(std::uint64_t id, char type, const Urb& urb, std::uint64_t timeUs,
                            std::int32_t status, std::uint32_t length,
                            const std::vector<std::uint8_t>& data) {
  const bool submit = type == 'S';
  const bool withSetup = submit && !urb.Setup.empty();
  // Boards side by side: a transfer that began while another board's was in
  // flight is written after that one completed; its time is held back to
  // that moment so that a reader never sees the capture go back in time.
  const std::uint64_t wall = std::max(epochUs_ + timeUs, lastUs_);
  lastUs_ = wall;
  std::vector<std::uint8_t> p;
  PutLe(p, id, 8);
  p.push_back(static_cast<std::uint8_t>(type));
  p.push_back(urb.Transfer);
  p.push_back(urb.Endpoint);
  p.push_back(urb.Device);
  PutLe(p, kBus, 2);
  p.push_back(withSetup ? 0 : '-');
  // No data: '<' an IN submission, '>' an OUT completion.
  p.push_back(!data.empty() ? 0 : (urb.Endpoint & kEndpointIn) ? '<' : '>');
  PutLe(p, wall / 1000000, 8);
  PutLe(p, wall % 1000000, 4);
  PutLe(p, static_cast<std::uint32_t>(status), 4);
  PutLe(p, length, 4);
  PutLe(p, data.size(), 4);
  if (withSetup) {
    p.insert(p.end(), urb.Setup.begin(), urb.Setup.end());
  } else {
    PutLe(p, 0, 8);
  }
  PutLe(p, urb.Transfer == kInterrupt ? 1 : 0, 4);  // interval
  PutLe(p, 0, 4);                                    // start frame
  PutLe(p, (urb.Endpoint & kEndpointIn) ? kUrbDirIn : 0, 4);
  PutLe(p, 0, 4);  // no isochronous descriptors
  p.insert(p.end(), data.begin(), data.end());
  file_.WritePacket(wall, p);
}

void UsbCaptureSink::Exchange(const Urb& urb, std::uint64_t submitUs,
                              const std::vector<std::uint8_t>& sent, std::uint64_t completeUs,
                              std::int32_t status, std::uint32_t moved,
                              const std::vector<std::uint8_t>& came) {
  const std::uint64_t id = nextUrb_++;
  Packet(id, 'S', urb, submitUs, kInProgress, urb.Length, sent);
  Packet(id, 'C', urb, completeUs, status, moved, came);
}

void UsbCaptureSink::Describe(std::uint8_t device, std::uint64_t timeUs, std::uint16_t vendorId,
                              std::uint16_t productId) {
  std::vector<std::uint8_t> deviceDescriptor = {18, 1, 0x00, 0x02, 0, 0, 0, 64};
  PutLe(deviceDescriptor, vendorId, 2);
  PutLe(deviceDescriptor, productId, 2);
  deviceDescriptor.insert(deviceDescriptor.end(), {0x00, 0x01, 0, 0, 0, 1});
  const std::vector<std::uint8_t> configuration = {
      9, 2, 41, 0, 1, 1, 0, 0x80, 50,  // one interface
      9, 4, 0, 0, 2, 3, 0, 0, 0,       // interface 0: HID, two endpoints
      9, 0x21, 0x11, 0x01, 0, 1, 0x22, 0, 0,
      7, 5, kEndpointIn | kInterruptEndpoint, 3, 64, 0, 1,
      7, 5, kInterruptEndpoint, 3, 64, 0, 1};
  // GET_DESCRIPTOR of the device (type 1), then of its configuration (2).
  const std::vector<std::uint8_t>* descriptors[] = {&deviceDescriptor, &configuration};
  for (std::uint16_t type = 1; type <= 2; ++type) {
    const std::vector<std::uint8_t>& descriptor = *descriptors[type - 1];
    const auto n = static_cast<std::uint16_t>(descriptor.size());
    const Urb urb{kControl, kEndpointIn, device,
                  Setup(0x80, 6, static_cast<std::uint16_t>(type << 8), 0, n), n};
    Exchange(urb, timeUs, {}, timeUs, 0, n, descriptor);
  }
}

void UsbCaptureSink::Write(const TraceRecord& r) {
  if (r.Call == TraceCall::Enumerate || r.Board.empty()) return;
  const std::uint8_t device = AddressOf(r.Board);
  const std::uint64_t end = r.AtUs + r.DurationUs;
  if (r.Call == TraceCall::Attributes) {
    if (r.Ok && !described_[device]) {
      described_[device] = true;
      Describe(device, r.AtUs, r.VendorId, r.ProductId);
    }
    return;
  }
  const std::uint8_t id = r.Data != nullptr && r.Length > 0 ? r.Data[0] : 0;
  const std::uint32_t length = WireLength(r.Data, r.Length);
  const std::uint32_t moved = WireLength(r.Data, r.Moved);
  const std::vector<std::uint8_t> bytes = OnTheWire(r.Data, r.Moved);
  const std::int32_t status = StatusOf(r);
  const auto featureLength = static_cast<std::uint16_t>(length);
  switch (r.Call) {
    case TraceCall::SetFeature:
      Exchange({kControl, 0, device,
                Setup(0x21, kSetReport, kFeatureReport << 8 | id, 0, featureLength), length},
               r.AtUs, bytes, end, status, r.Ok ? length : 0, {});
      break;
    case TraceCall::GetFeature:
      Exchange({kControl, kEndpointIn, device,
                Setup(0xA1, kGetReport, kFeatureReport << 8 | id, 0, featureLength), length},
               r.AtUs, {}, end, status, moved, bytes);
      break;
    case TraceCall::WriteOutput:
      Exchange({kInterrupt, kInterruptEndpoint, device, {}, length}, r.AtUs, bytes, end, status,
               r.Ok ? length : 0, {});
      break;
    case TraceCall::ReadInput:
      Exchange({kInterrupt, kEndpointIn | kInterruptEndpoint, device, {}, length}, r.AtUs, {},
               end, status, moved, bytes);
      break;
    default:
      break;
  }
}

}  // namespace zentrel::trace
