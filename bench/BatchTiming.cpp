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

int64_t Checked(TTimedPass& timed)
{
    const int64_t answer = timed.Pass();
    if (answer != timed.Expected)
        throw std::runtime_error(std::string(timed.Label) + " answered " + std::to_string(answer) + ", first " +
                                 std::to_string(timed.Expected));
    return answer;
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

TRange RangeOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

void Prepare(TTimedPass& timed, int sampleMilliseconds)
{
    timed.Expected = timed.Pass();
    if (timed.Expected <= 0)
        throw std::runtime_error(std::string(timed.Label) + " gave no answer (" + std::to_string(timed.Expected) +
                                 ")");
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

TResult Measure(TTimedPass& pass, TTimedPass& baseline, int repetitions)
{
    std::vector<double> passMs, baselineMs, ratios;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        double p = 0, b = 0;
        if (repetition % 2 == 0) {
            p = TimeBatch(pass);
            b = TimeBatch(baseline);
        } else {
            b = TimeBatch(baseline);
            p = TimeBatch(pass);
        }
        passMs.push_back(p);
        baselineMs.push_back(b);
        ratios.push_back(b > 0 ? p / b : 0);
    }
    return {RangeOf(passMs), RangeOf(baselineMs), RangeOf(ratios)};
}

}  // namespace bench
