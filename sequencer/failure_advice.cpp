#include "sequencer/failure_advice.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "hid/device_identity.h"
#include "image/memory_image_header.h"
#include "protocol/reports.h"
#include "sequencer/outcome_text.h"

namespace zentrel {

namespace {

// The same census as `zentrel-flash list`, which the advice points to.
std::string NoDevice(const DeviceIds& ids, HidPlatform& platform) {
  const std::vector<PresentCollection> census = TakeCensus(platform, ids);
  const auto count = [&](bool PresentCollection::*flag) {
    return std::count_if(census.begin(), census.end(), [&](const auto& c) { return c.*flag; });
  };
  char text[200];
  std::snprintf(text, sizeof text,
                "searched for IDs %s: %zu HID collections, %td boot loader candidates, %td "
                "with the IDs now; `zentrel-flash list` shows them",
                IdsText(ids).c_str(), census.size(), count(&PresentCollection::Candidate),
                count(&PresentCollection::WithIds));
  // The search takes only a product name that begins with a capital letter.
  std::string advice = text;
  for (const PresentCollection& c : census) {
    const std::string& product = c.Identity.Product;
    if (c.WithIds &&
        (product.empty() || !IsUpperAsciiLetter(static_cast<std::uint8_t>(product[0])))) {
      advice += "; " + c.Identity.Path + " names itself \"" + product +
                "\", not a boot loader's name, which begins with a capital letter";
    }
  }
  return advice;
}

std::string DoesNotFit(const RoadRecord& r, const ImageStore& image) {
  const std::string& platform = r.Fields[static_cast<std::size_t>(ValueField::PlatformField)];
  const std::string& version = r.Fields[static_cast<std::size_t>(ValueField::HwVersionField)];
  char device[160];
  std::snprintf(device, sizeof device, "the device is %s, hardware %s, %u KiB of flash",
                platform.c_str(), version.c_str(), static_cast<unsigned>(r.FlashSizeKiB));
  const std::string file = image.ImageKind != 'm' ? ""
                           : "the file is for " + HeaderPlatformName(image).Shown() +
                                 ", hardware " + HeaderHwVersion(image).Shown() + ", ";
  char length[120];
  std::snprintf(length, sizeof length, "%s image of %u bytes is written up to address %u",
                image.ImageKind == 'm' ? "its" : "the file's",
                static_cast<unsigned>(image.ImageLength),
                static_cast<unsigned>(kBootAreaSize + PagesToSend(image.ImageLength) * kPageSize));
  return file + length + "; " + device;
}

std::string DeviceFailed(const RoadRecord& r, const DeviceIds& ids) {
  const RoadOutcome& o = r.Outcome;
  if (o.Completed()) {
    // The message says what failed; the board itself is fine.
    return "the road on the board completed; only what followed it failed";
  }
  std::string text = std::string("failed while ") + StageWord(o.Stage);
  if (PhaseOf(o.Stage) == RoadPhase::Writing) {
    char pages[64];
    std::snprintf(pages, sizeof pages, " page %u of %u", static_cast<unsigned>(o.PagesWritten + 1),
                  static_cast<unsigned>(o.Pages));
    text += pages;
  }
  text += r.LeftBus ? "; the device has left the bus" : "; the device is still attached";
  text += "; " + DeviceHolds(o);
  if (o.ResetSent && !o.BootLoaderAnswered && !r.LeftBus) {
    // What was found after the reset did not start a boot sequence: the
    // application still running, or the old node not yet gone.
    text += "; what answered after the reset was not a boot loader, or the old device was "
            "still there: check that IDs " + IdsText(ids) +
            " are the boot loader's and that the firmware expects this program's command key";
  }
  return text;
}

}  // namespace

std::string FailureAdvice(const RoadRecord& r, const ImageStore& image, const DeviceIds& ids,
                          HidPlatform& platform) {
  switch (r.Failure()) {
    case FailureKind::NoDevice: return NoDevice(ids, platform);
    case FailureKind::DoesNotFit: return DoesNotFit(r, image);
    case FailureKind::DeviceFailed: return DeviceFailed(r, ids);
    default: return "";
  }
}

std::string UnopenableText(const UnopenableDevice& device, const DeviceIds& ids) {
  return device.Path + " is a device with IDs " + IdsText(ids) +
         ", but it cannot be opened: " + device.Reason;
}

}  // namespace zentrel
