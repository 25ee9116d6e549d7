#pragma once
// Monotonic milliseconds, behind an interface so that time-outs and waits run on a virtual
// clock in tests.
#include <cstdint>

namespace hitched {

class IClock {
public:
    virtual ~IClock() = default;
    virtual uint64_t NowMs() = 0;
};

class SteadyClock : public IClock {
public:
    uint64_t NowMs() override;
};

} // namespace hitched
