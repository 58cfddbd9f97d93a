// An emulated bus seen through a tracing platform whose one sink counts the
// records, so that a window test can prove that nothing reached the device
// after a moment (the window's close): enumeration, opens, transfers, closes.
#pragma once

#include <memory>

#include "hid/emulated/emulated_bus.h"
#include "hid/trace/tracing_platform.h"

namespace zentrel::testing {

class CountingPlatform {
 public:
  explicit CountingPlatform(Clock& clock) {
    auto bus = std::make_unique<emulated::EmulatedBus>(clock);
    bus_ = bus.get();
    traced_ = std::make_unique<trace::TracingPlatform>(std::move(bus), clock);
    auto counter = std::make_unique<Counter>();
    counter_ = counter.get();
    traced_->AddSink(std::move(counter));
  }

  emulated::EmulatedBus& Bus() { return *bus_; }
  // What the front end is given: the bus, counted.
  HidPlatform& Seam() { return *traced_; }
  // Every call of the seam so far, closes included.
  int Calls() const { return counter_->Calls; }

 private:
  struct Counter final : trace::TraceSink {
    void Write(const trace::TraceRecord&) override { ++Calls; }
    int Calls = 0;
  };

  emulated::EmulatedBus* bus_;
  std::unique_ptr<trace::TracingPlatform> traced_;
  Counter* counter_;
};

}  // namespace zentrel::testing
