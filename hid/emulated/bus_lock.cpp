#include "hid/emulated/bus_lock.h"

namespace zentrel::emulated {

void BusLock::lock() {
  if (HeldHere()) {
    ++depth_;
    return;
  }
  mutex_.lock();
  owner_.store(std::this_thread::get_id());
  depth_ = 1;
}

void BusLock::unlock() {
  if (--depth_ > 0) return;
  owner_.store(std::thread::id{});
  mutex_.unlock();
}

void UnlockingClock::SleepUs(std::uint64_t us) {
  if (!lock_.HeldHere()) {
    inner_.SleepUs(us);
    return;
  }
  const int depth = lock_.depth_;
  lock_.depth_ = 0;
  lock_.owner_.store(std::thread::id{});
  lock_.mutex_.unlock();
  inner_.SleepUs(us);
  lock_.mutex_.lock();
  lock_.owner_.store(std::this_thread::get_id());
  lock_.depth_ = depth;
}

}  // namespace zentrel::emulated
