#include "ResultTable.h"

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

// Every column but the two of text (the first and the pass) is a number, set right.
constexpr const char* kColumns[] = {"Bookmarks", "File MB", "Pass",      "ms per pass", "min–max", "Baseline ms",
                                    "x baseline", "min–max", "memchr ms", "x memchr",    "MB/s"};
constexpr size_t kColumnCount = sizeof kColumns / sizeof kColumns[0];

std::string Format(const char* format, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Span(const TRange& range)
{
    return Format("%.2f", range.Min) + "–" + Format("%.2f", range.Max);
}

std::string Cells(const std::vector<std::string>& cells)
{
    std::string line = "|";
    for (const std::string& cell : cells) line += cell.empty() ? " |" : " " + cell + " |";
    return line;
}

}  // namespace

const char* const kBaselinesText =
    "The baseline reads the same file with ReadFile into blocks of the library's size and counts each block's "
    "LFs right after the read, sixteen bytes at a time with SSE2; the memchr columns count them with memchr from "
    "line to line instead, the baseline of earlier tables. Pass and readings take turns.";

TRange RangeOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

std::string SizeLabel(uint64_t bookmarks)
{
    int power = 0;
    uint64_t rest = bookmarks;
    while (rest >= 10 && rest % 10 == 0) {
        rest /= 10;
        ++power;
    }
    return rest == 1 ? "10^" + std::to_string(power) : std::to_string(bookmarks);
}

void PrintTableHead(const std::vector<std::string>& moreColumns)
{
    std::vector<std::string> names(std::begin(kColumns), std::end(kColumns));
    names.insert(names.end(), moreColumns.begin(), moreColumns.end());
    std::vector<std::string> rules(names.size(), "---:");
    rules[0] = rules[2] = "---";
    std::printf("%s\n%s\n", Cells(names).c_str(), Cells(rules).c_str());
}

std::string RowCells(const std::string& size, double megabytes, const TPass& pass, const TMeasured& measured)
{
    const double megabytesPerSecond = megabytes / (measured.Pass.Median / 1e3);
    return Cells({size, Format("%.1f", megabytes), pass.Label, Format("%.2f", measured.Pass.Median),
                  Span(measured.Pass), Format("%.2f", measured.Baseline.Median),
                  Format("%.2f", measured.Ratio.Median), Span(measured.Ratio), Format("%.2f", measured.Memchr.Median),
                  Format("%.2f", measured.MemchrRatio.Median), Format("%.0f", megabytesPerSecond)});
}

std::string FailedRowCells(const std::string& size, double megabytes, const TPass& pass, const std::string& why,
                           size_t moreColumns)
{
    std::vector<std::string> cells = {size, Format("%.1f", megabytes), pass.Label, why};
    cells.resize(kColumnCount + moreColumns);
    return Cells(cells);
}

bool MeetsGoal(const TPass& pass, const TMeasured& measured)
{
    return pass.Goal <= 0 || measured.Ratio.Median <= pass.Goal;
}

std::string GoalsText()
{
    std::string text = "Goals";
    const char* separator = ": ";
    for (const TPassOnFile& timed : kTimedPasses) {
        text += separator + std::string(timed.Pass.Label) + " <= " + Format("%.1f", timed.Pass.Goal) + "x";
        separator = ", ";
    }
    return text + " the baseline's time (medians)";
}

}  // namespace bench
