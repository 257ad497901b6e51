// The searches over the text file's block buffer: those of this processor
// and the portable ones against a plain byte loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "LineSearch.h"

namespace {

// Every "#" line, or those a pass reacting to some markers may react to.
const TMarkStarts kStarts[] = {{}, {false, {'F', 'F', 'F', 'F'}}, {false, {'F', 'U', 'S', 'U'}}};

// The searches for this processor and the portable ones over the `n` bytes at
// `text` give the answers of a plain byte loop.
void ExpectSearchesAgree(const char* text, size_t n)
{
    for (const char value : {'\n', '\r'}) {
        const char* found = std::find(text, text + n, value);
        if (found == text + n) found = nullptr;
        ASSERT_EQ(FindByte(text, n, value), found);
        ASSERT_EQ(FindBytePortable(text, n, value), found);
        if (value == '\n') {
            ASSERT_EQ(FindLineFeed(text, n), found);
        }
    }
    for (const TMarkStarts& starts : kStarts) {
        const char* marked = nullptr;
        for (size_t i = 0; i + 1 < n && marked == nullptr; ++i)
            if (text[i] == '\n' && MayBeginMarkedLine(text + i + 1, n - i - 1, starts)) marked = text + i;
        ASSERT_EQ(FindLineBeforeMark(text, n, starts), marked);
        ASSERT_EQ(FindLineBeforeMarkPortable(text, n, starts), marked);
    }
}

// Over texts of every length up to a few blocks of the vector searches, of
// bytes at random, with the sought ones and those a word or vector trick may
// take for them often among them. Each text lies in exactly sized storage, so
// that AddressSanitizer sees a read past it, and again before bytes that would
// change an answer if read: "x", which lets a "#" line pass, and "-", which
// begins a marked line.
TEST(LineSearch, ProcessorAndPortableSearchesAgree)
{
    std::mt19937 random(3);
    const char kBytes[] = {'\n', '\n', 'a', '#', '-', '\r', '\x1A', '\x80', '\xD0', ' ', '\t',
                           '\x0B', '"', ',', '\x0C', '\x1B', '\x7F', '\0', '\x01', 'F', 'U', 'G', '#'};
    for (int round = 0; round < 4000; ++round) {
        const size_t n = static_cast<size_t>(round % 200);
        std::string bytes(n, 'x');
        for (char& c : bytes) {
            const unsigned choice = random() % 8;
            if (choice < 2) c = kBytes[random() % std::size(kBytes)];
            if (choice == 2) c = static_cast<char>(random());
        }
        const auto exact = std::make_unique<char[]>(n);
        std::copy(bytes.begin(), bytes.end(), exact.get());
        ASSERT_NO_FATAL_FAILURE(ExpectSearchesAgree(exact.get(), n)) << round;
        for (const char after : {'x', '-'}) {
            const std::string padded = bytes + std::string(32, after);
            ASSERT_NO_FATAL_FAILURE(ExpectSearchesAgree(padded.data(), n)) << round << " before " << after;
        }
    }
}

}  // namespace
