#include "platform/clock.h"

#include <chrono>

namespace hitched {

uint64_t SteadyClock::NowMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

} // namespace hitched
