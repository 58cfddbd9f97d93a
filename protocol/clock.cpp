#include "protocol/clock.h"

#include <chrono>
#include <thread>

namespace zentrel {

std::uint64_t SteadyClock::NowUs() const {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(
          std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

void SteadyClock::SleepUs(std::uint64_t us) {
  std::this_thread::sleep_for(std::chrono::microseconds(us));
}

}  // namespace zentrel
