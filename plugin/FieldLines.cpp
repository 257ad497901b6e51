// Field lines: which key a line holds, and where its value is.
#include <array>
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

constexpr size_t kMostKeysPerLetter = 3;

// The keys a line can hold, by its second character: those whose text
// begins with it, in the order above. Every line is classified, so the
// table spares it trying each key.
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

}  // namespace

THotlistKey ClassifyFieldLine(std::string_view line)
{
    if (line.size() < 2) return hkNone;
    const auto letter = static_cast<unsigned char>(line[1]);
    if (letter >= kKeysByLetter.size()) return hkNone;
    const TKeysOfLetter& keys = kKeysByLetter[letter];
    for (uint8_t i = 0; i < keys.Count; ++i) {
        const TKeyText& key = kKeyTexts[keys.Index[i]];
        // Fewer characters than the key text never match: a prefix test.
        if (line.size() - 1 >= key.Text.size() && std::memcmp(line.data() + 1, key.Text.data(), key.Text.size()) == 0)
            return key.Key;
    }
    return hkNone;
}

std::string_view FieldValue(std::string_view line)
{
    // TextPos counts from 1, so it is also where the value begins.
    const int32_t equals = TextPos("=", line);
    return equals == 0 ? line : line.substr(static_cast<size_t>(equals));
}
