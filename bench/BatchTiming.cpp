#include "BatchTiming.h"

#include "tansy_windows.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace bench {

namespace {

uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void Checked(TTimedPass& timed)
{
    CheckAnswer(timed.Label, timed.Pass(), timed.Expected);
}

}  // namespace

// Integer arithmetic throughout: the 32-bit build's x87 code compares doubles
// at a precision other than the one they are stored in.
uint64_t CpuTicks()
{
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user))
        throw std::runtime_error("GetProcessTimes failed with error " + std::to_string(GetLastError()));
    return Ticks(kernel) + Ticks(user);
}

void Prepare(TTimedPass& timed, int sampleMilliseconds)
{
    timed.Expected = FirstAnswer(timed.Label, timed.Pass());
    constexpr uint64_t kCalibrationTicks = 2500000;  // 0.25 s: the clock's 10 ms steps are 4% of it
    const uint64_t start = CpuTicks();
    int runs = 0;
    do {
        Checked(timed);
        ++runs;
    } while (CpuTicks() - start < kCalibrationTicks);
    const double ticksPerRun = static_cast<double>(CpuTicks() - start) / runs;
    timed.Batch = std::max(1, static_cast<int>(sampleMilliseconds * 1e4 / ticksPerRun + 0.5));
}

double TimeBatch(TTimedPass& timed)
{
    const uint64_t start = CpuTicks();
    for (int i = 0; i < timed.Batch; ++i) Checked(timed);
    return static_cast<double>(CpuTicks() - start) / 1e4 / timed.Batch;
}

TMeasured Measure(TTimedPass& pass, TTimedPass& baseline, TTimedPass& memchr, int repetitions)
{
    TTimedPass* const turns[] = {&pass, &baseline, &memchr};
    std::vector<double> ms[3], ratios, memchrRatios;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        double time[3];
        for (int turn = 0; turn < 3; ++turn) {
            const int which = (repetition + turn) % 3;
            time[which] = TimeBatch(*turns[which]);
            ms[which].push_back(time[which]);
        }
        ratios.push_back(time[1] > 0 ? time[0] / time[1] : 0);
        memchrRatios.push_back(time[2] > 0 ? time[0] / time[2] : 0);
    }
    return {RangeOf(ms[0]), RangeOf(ms[1]), RangeOf(ratios), RangeOf(ms[2]), RangeOf(memchrRatios)};
}

}  // namespace bench
