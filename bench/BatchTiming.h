// Timing passes by the process's CPU time, in batches. Under wine the CPU time
// moves in steps of 10 ms, so one sample is a batch of runs long enough for
// a step to matter little, and every run's answer is checked.
#pragma once

#include <cstdint>
#include <functional>

#include "ResultTable.h"

namespace bench {

// CPU time of the process (user and kernel), in 100 ns units.
uint64_t CpuTicks();

struct TTimedPass {
    const char* Label;
    std::function<int64_t()> Pass;  // the answer: entries, boxes or lines
    int64_t Expected = 0;
    int Batch = 1;  // runs per timed sample
};

// Runs the pass once for its answer, then long enough to learn how many runs
// make a sample of about `sampleMilliseconds` of CPU time. Throws when the
// pass gives no answer.
void Prepare(TTimedPass& timed, int sampleMilliseconds);

// CPU milliseconds per run over one batch; throws when a run answers other
// than the first.
double TimeBatch(TTimedPass& timed);

// The pass and the two plain readings in turns, each first in its turn, so
// that all meet the same conditions.
TMeasured Measure(TTimedPass& pass, TTimedPass& baseline, TTimedPass& memchr, int repetitions);

}  // namespace bench
