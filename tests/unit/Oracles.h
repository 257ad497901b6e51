// Plain rules that the library's fast paths are held to, shared by the unit
// tests and the fuzz targets: each answers as the rule reads, step by step.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "PLUGIN_Main.h"

struct TKeyRule {
    std::string_view Text;
    THotlistKey Key;
};

// The field keys in the order a line is tried against them.
inline constexpr TKeyRule kKeyRules[] = {
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

// The key of a field line: the first whose whole text stands at the line's
// second character, or hkNone.
THotlistKey KeyByTheRule(std::string_view line);

// The platform's variant conversion of the text to a 32-bit integer, asked
// as the library asks it; nothing where it fails.
std::optional<int32_t> PlatformInt(std::string_view text);
