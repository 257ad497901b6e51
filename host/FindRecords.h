// Find-data records as a host reads them, in both forms: WIN32_FIND_DATAA,
// whose names are the library's ANSI bytes, and WIN32_FIND_DATAW, whose
// names are UTF-16 units; and texts as transcripts show them.
#pragma once

#include <string>
#include <type_traits>

#include "PLUGIN_Types.h"

namespace host {

constexpr unsigned char FindDataFill = 0xA5;
// The unit of a record's name: a byte, or a UTF-16 unit.
template <typename Record>
using NameUnit = std::conditional_t<std::is_same_v<Record, WIN32_FIND_DATAW>, char16_t, char>;

template <typename Record>
void PrefillFindData(Record& record);
// Still all FindDataFill: the library claimed an entry but handed none over.
template <typename Record>
bool Untouched(const Record& record);
// cFileName and cAlternateFileName lie one after the other, so a name that
// fills cFileName goes on in the alternate name. True when a zero ends the
// name inside the two; NameOf then gives the units before it, else all 274.
template <typename Record>
bool NameEndsInRecord(const Record& record);
template <typename Record>
std::basic_string<NameUnit<Record>> NameOf(const Record& record);
// The name ends inside the record and every unit after its zero is zero.
template <typename Record>
bool NameTailIsClean(const Record& record);
// The record's fields in one line: "attr=16 size=0:3 created=0:1700000003
// accessed=0:0 written=0:0 reserved=0:0 name=..." with the name in Esc form,
// a Unicode name as UTF-8 in EscUnicode form.
std::string RecordFields(const WIN32_FIND_DATAA& record);
std::string RecordFields(const WIN32_FIND_DATAW& record);

// Bytes as transcripts show them: 0x20..0x7E but "%" as they are, every other
// byte as %HH.
std::string Esc(const std::string& bytes);
// UTF-8 text (as Utf8FromUtf16 writes it) as transcripts show it: as Esc
// does, but an unpaired surrogate as %uHHHH.
std::string EscUnicode(const std::string& utf8);

}  // namespace host
