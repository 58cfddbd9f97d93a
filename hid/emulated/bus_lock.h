// The one lock of an EmulatedBus, and the clock that the bus and its boards
// spend transfer and wait times on. That time passes without the lock, so
// that boards on one bus work side by side, as devices on separate USB ports
// do, while their state changes one thread at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "protocol/clock.h"

namespace zentrel::emulated {

// A mutex that knows which thread holds it and lets that thread take it
// again (a board's own locking method called from inside the bus).
class BusLock {
 public:
  void lock();
  void unlock();
  bool HeldHere() const { return owner_.load() == std::this_thread::get_id(); }

 private:
  friend class UnlockingClock;

  std::mutex mutex_;
  std::atomic<std::thread::id> owner_{};
  int depth_ = 0;  // read and written by the holder only
};

// Spends time on the inner clock. A caller that holds the lock lets go of it
// for that time, however deep it holds it, and takes it back afterwards.
class UnlockingClock final : public Clock {
 public:
  UnlockingClock(Clock& inner, BusLock& lock) : inner_(inner), lock_(lock) {}
  std::uint64_t NowUs() const override { return inner_.NowUs(); }
  void SleepUs(std::uint64_t us) override;

 private:
  Clock& inner_;
  BusLock& lock_;
};

}  // namespace zentrel::emulated
