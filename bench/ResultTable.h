// The table both pass benchmarks print: a row a pass, its time set against
// the plain reading with the SSE2 line count (the baseline) and, for
// comparison with earlier tables, against the plain reading with memchr; and
// the goals.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Passes.h"

namespace bench {

struct TRange {
    double Median = 0;
    double Min = 0;
    double Max = 0;
};

TRange RangeOf(std::vector<double> values);

// A pass against both plain readings, over the repetitions; ratios are taken
// repetition by repetition.
struct TMeasured {
    TRange Pass;           // ms per pass
    TRange Baseline;       // ms per plain reading with the SSE2 count
    TRange Ratio;          // the pass over the baseline
    TRange Memchr;         // ms per plain reading with memchr
    TRange MemchrRatio;    // the pass over that
};

// What the baselines are, for the text above the table.
extern const char* const kBaselinesText;

// 10^N for a power of ten, else the number.
std::string SizeLabel(uint64_t bookmarks);

// The table's heading and rule lines, `moreColumns` after the shared ones.
void PrintTableHead(const std::vector<std::string>& moreColumns = {});

// A row's shared cells, "| 10^5 | 20.8 | walk to the last folder | ... |",
// without the line's end.
std::string RowCells(const std::string& size, double megabytes, const TPass& pass, const TMeasured& measured);
// The same for a pass that did not run, with `why` in its time column and
// `moreColumns` empty cells after the shared ones.
std::string FailedRowCells(const std::string& size, double megabytes, const TPass& pass, const std::string& why,
                           size_t moreColumns = 0);

// The pass's median ratio to the baseline is within its goal.
bool MeetsGoal(const TPass& pass, const TMeasured& measured);
// "Goals: walk to the last folder <= 1.2x, ... the baseline's time (medians)".
std::string GoalsText();

}  // namespace bench
