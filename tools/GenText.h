// The values of generated field lines: names, addresses, descriptions.
// Every function appends UTF-8 text to `out` and never writes a line break,
// a tab or a backslash into a name, so each value stays one well-formed field.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "GenRandom.h"

namespace gen {

// A bookmark name of a few Latin and Cyrillic words, 10 to about 90 bytes.
void AppendBookmarkName(std::string& out, Rng& rng);

// The name of the index-th folder among its siblings. Names differ for
// different indexes under the same `offset`, so every sibling folder can be
// reached by its path.
void AppendFolderName(std::string& out, uint64_t offset, uint64_t index);

// Number of distinct folder topics; a good range for folder-name offsets.
uint64_t FolderTopicCount();

// An http(s) address with a path and often a query string and fragment.
void AppendUrl(std::string& out, Rng& rng);

// One sentence of mixed words, ending with a full stop.
void AppendDescription(std::string& out, Rng& rng);

// A short nickname such as "wiki" or "погода2".
void AppendShortName(std::string& out, Rng& rng);

// The path of a cached site icon in the user's profile.
void AppendIconFile(std::string& out, Rng& rng, std::string_view user);

// A user name for the profile paths of one file.
std::string_view PickUserName(Rng& rng);

// Appends the decimal digits of `value`.
void AppendNumber(std::string& out, uint64_t value);

}  // namespace gen
