// The searches over the text file's block buffer: those of this processor
// and the portable ones against a plain byte loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <random>

#include "LineSearch.h"

namespace {

// The searches for this processor and the portable ones give the answers
// of a plain byte loop, over texts of every length up to a few blocks of the
// vector searches, in exactly sized storage so that no read goes past them.
TEST(LineSearch, ProcessorAndPortableSearchesAgree)
{
    std::mt19937 random(3);
    // The sought bytes, and bytes one off them, which word tricks may take for them.
    const char kBytes[] = {'\n', '\n', 'a', '#', '-', '\r', '\x1A', '\x80', '\xD0', ' ', '\t',
                           '\x0B', '"', ',', '\x0C', '\x1B', '\x7F', '\0', '\x01'};
    for (int round = 0; round < 4000; ++round) {
        const auto text = std::make_unique<char[]>(round % 200);
        const size_t n = static_cast<size_t>(round % 200);
        for (size_t i = 0; i < n; ++i) text[i] = random() % 4 == 0 ? kBytes[random() % std::size(kBytes)] : 'x';
        for (const char value : {'\n', '\r'}) {
            const char* found = std::find(text.get(), text.get() + n, value);
            if (found == text.get() + n) found = nullptr;
            ASSERT_EQ(FindByte(text.get(), n, value), found) << round;
            ASSERT_EQ(FindBytePortable(text.get(), n, value), found) << round;
            if (value == '\n') {
                ASSERT_EQ(FindLineFeed(text.get(), n), found) << round;
            }
        }
        const char* marked = nullptr;
        for (size_t i = 0; i + 1 < n && marked == nullptr; ++i)
            if (text[i] == '\n' && MayBeginMarkedLine(text[i + 1])) marked = text.get() + i;
        ASSERT_EQ(FindLineBeforeMark(text.get(), n), marked) << round;
        ASSERT_EQ(FindLineBeforeMarkPortable(text.get(), n), marked) << round;
    }
}

}  // namespace
