// Plain rules that the library's fast paths are held to: each answers as the
// rule reads, step by step.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The platform's variant conversion of the text to a 32-bit integer, asked
// as the library asks it; nothing where it fails.
std::optional<int32_t> PlatformInt(std::string_view text);
