// What the oracle tests of the readers share: the code pages they run under,
// and a reader's run over a file written down step by step, so that a fast
// path and the rule it shortcuts can be compared as a whole.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Failures.h"
#include "TextFile.h"
#include "tansy_windows.h"

// The code pages to run under: the stand-in layer's three, or the system's own.
std::vector<UINT> CodePages();

// A test run once under each code page, which it is given as its parameter.
class UnderEachCodePage : public testing::TestWithParam<UINT> {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The UTF-16 units of `text` in hex, for messages and for comparing texts.
std::string Hex(const WideString& text);

// What one run of a reader did, step by step, to be compared as a whole.
using ReaderSteps = std::vector<std::string>;

// Runs `step` on a freshly opened file until it reports the end or a failure.
template <class Step>
ReaderSteps RunReader(const std::string& path, Step step)
{
    ReaderSteps steps;
    TTextFile file;
    WideString line;
    OpenTextForReading(file, TextToShort(path));
    try {
        while (step(file, line, steps)) {
        }
    } catch (const EInOutError& e) {
        steps.push_back("I/O failure " + std::to_string(e.IoCode) + " line " + Hex(line));
    } catch (const EVariantError&) {
        steps.push_back("conversion failure line " + Hex(line));
    }
    if (file.Mode == tfInput) CloseTextFile(file);
    return steps;
}
