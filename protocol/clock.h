// A monotonic clock handed to everything that measures or spends time, so that
// tests and benchmarks run on virtual time and never sleep.
#pragma once

#include <cstdint>

namespace zentrel {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint64_t NowUs() const = 0;
  // Lets the given time pass: a real clock sleeps, a fake one advances.
  virtual void SleepUs(std::uint64_t us) = 0;
};

// Virtual time: starts at 0 and moves only when told to.
class FakeClock final : public Clock {
 public:
  std::uint64_t NowUs() const override { return now_; }
  void SleepUs(std::uint64_t us) override { now_ += us; }
  void AdvanceUs(std::uint64_t us) { now_ += us; }

 private:
  std::uint64_t now_ = 0;
};

// Wall time from std::chrono::steady_clock.
class SteadyClock final : public Clock {
 public:
  std::uint64_t NowUs() const override;
  void SleepUs(std::uint64_t us) override;
};

}  // namespace zentrel
