// Field lines: which key a line holds.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "PLUGIN_Main.h"

namespace {

struct TKeyText {
    std::string_view Text;
    THotlistKey Key;
};

// Tried in this order; a line's key is the first whose text starts at the
// line's second character.
constexpr TKeyText kKeyTexts[] = {
    {"ID", hkId},
    {"NAME", hkName},
    {"DESCRIPTION", hkDescription},
    {"SHORT NAME", hkShortName},
    {"ON PERSONALBAR", hkOnPersonalBar},
    {"PERSONALBAR_POS", hkPersonalBarPos},
    {"TRASH FOLDER", hkTrashFolder},
    {"URL", hkUrl},
    {"CREATED", hkCreated},
    {"VISITED", hkVisited},
    {"ICONFILE", hkIconFile},
    {"ACTIVE", hkActive},
    {"IN PANEL", hkInPanel},
    {"PANEL_POS", hkPanelPos},
};

// Every line of every block is classified, so a key text is also held as
// two words that a line's bytes are compared with at once.
struct TKeyWords {
    uint64_t Head = 0, HeadMask = 0, Tail = 0, TailMask = 0;
};

constexpr uint64_t ByteInWord(char character, size_t at)
{
    const size_t shift = std::endian::native == std::endian::little ? 8 * at : 8 * (7 - at);
    return static_cast<uint64_t>(static_cast<unsigned char>(character)) << shift;
}

constexpr TKeyWords WordsOf(std::string_view text)
{
    if (text.size() > 16) throw "a key text is longer than two words";
    TKeyWords words;
    for (size_t i = 0; i < text.size(); ++i) {
        uint64_t& word = i < 8 ? words.Head : words.Tail;
        uint64_t& mask = i < 8 ? words.HeadMask : words.TailMask;
        word |= ByteInWord(text[i], i % 8);
        mask |= ByteInWord('\xFF', i % 8);
    }
    return words;
}

constexpr size_t kMostKeysPerLetter = 3;

// The keys a line can hold, by its second character: those whose text
// begins with it, in the order above.
struct TKeysOfLetter {
    uint8_t Count = 0;
    uint8_t Index[kMostKeysPerLetter] = {};
};

constexpr std::array<TKeysOfLetter, 128> MakeKeysByLetter()
{
    std::array<TKeysOfLetter, 128> byLetter{};
    for (size_t i = 0; i < std::size(kKeyTexts); ++i) {
        TKeysOfLetter& keys = byLetter[static_cast<unsigned char>(kKeyTexts[i].Text[0])];
        if (keys.Count == kMostKeysPerLetter) throw "more keys begin with one letter than the table holds";
        keys.Index[keys.Count++] = static_cast<uint8_t>(i);
    }
    return byLetter;
}

constexpr std::array<TKeysOfLetter, 128> kKeysByLetter = MakeKeysByLetter();

constexpr std::array<TKeyWords, std::size(kKeyTexts)> MakeKeyWords()
{
    std::array<TKeyWords, std::size(kKeyTexts)> words{};
    for (size_t i = 0; i < std::size(kKeyTexts); ++i) words[i] = WordsOf(kKeyTexts[i].Text);
    return words;
}

constexpr std::array<TKeyWords, std::size(kKeyTexts)> kKeyWords = MakeKeyWords();

uint64_t LoadWord(const char* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// True when `line` holds the key text from its second character on.
bool HoldsKey(std::string_view line, size_t index)
{
    const std::string_view text = kKeyTexts[index].Text;
    const size_t room = line.size() - 1;  // the characters after the indent
    if (room < text.size()) return false;
    const char* at = line.data() + 1;
    const TKeyWords& key = kKeyWords[index];
    const bool headMatches = room < 8 || ((LoadWord(at) ^ key.Head) & key.HeadMask) == 0;
    if (room >= 16) return headMatches && ((LoadWord(at + 8) ^ key.Tail) & key.TailMask) == 0;
    if (room >= 8 && text.size() <= 8) return headMatches;
    for (size_t i = 0; i < text.size(); ++i)
        if (at[i] != text[i]) return false;
    return true;
}

}  // namespace

THotlistKey ClassifyFieldLine(std::string_view line)
{
    if (line.size() < 2) return hkNone;
    const auto letter = static_cast<unsigned char>(line[1]);
    if (letter >= kKeysByLetter.size()) return hkNone;
    const TKeysOfLetter& keys = kKeysByLetter[letter];
    // Fewer characters than the key text never match: a prefix test.
    for (uint8_t i = 0; i < keys.Count; ++i)
        if (HoldsKey(line, keys.Index[i])) return kKeyTexts[keys.Index[i]].Key;
    return hkNone;
}
