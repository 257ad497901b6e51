#include "FindRecords.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "Utf8.h"

namespace host {

namespace {

// The two name fields as one run of units, as a host that reads past a full
// cFileName sees them.
template <typename Record>
constexpr size_t NameFieldUnits =
    (sizeof(Record::cFileName) + sizeof(Record::cAlternateFileName)) / sizeof(NameUnit<Record>);

template <typename Record>
using NameUnits = std::array<NameUnit<Record>, NameFieldUnits<Record>>;

template <typename Record>
NameUnits<Record> NameFields(const Record& record)
{
    NameUnits<Record> names;
    const auto* bytes = reinterpret_cast<const char*>(&record);
    auto* into = reinterpret_cast<char*>(names.data());
    std::memcpy(into, bytes + offsetof(Record, cFileName), sizeof(record.cFileName));
    std::memcpy(into + sizeof(record.cFileName), bytes + offsetof(Record, cAlternateFileName),
                sizeof(record.cAlternateFileName));
    return names;
}

std::string HalfPair(DWORD high, DWORD low)
{
    return std::to_string(high) + ":" + std::to_string(low);
}

// Every field of the record but the name, then " name=".
template <typename Record>
std::string FieldsBeforeName(const Record& record)
{
    return "attr=" + std::to_string(record.dwFileAttributes) +
           " size=" + HalfPair(record.nFileSizeHigh, record.nFileSizeLow) +
           " created=" + HalfPair(record.ftCreationTime.dwHighDateTime, record.ftCreationTime.dwLowDateTime) +
           " accessed=" +
           HalfPair(record.ftLastAccessTime.dwHighDateTime, record.ftLastAccessTime.dwLowDateTime) +
           " written=" + HalfPair(record.ftLastWriteTime.dwHighDateTime, record.ftLastWriteTime.dwLowDateTime) +
           " reserved=" + HalfPair(record.dwReserved0, record.dwReserved1) + " name=";
}

constexpr char HexDigits[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, unsigned char byte)
{
    if (byte >= 0x20 && byte <= 0x7E && byte != '%') {
        out += static_cast<char>(byte);
    } else {
        out += '%';
        out += HexDigits[byte >> 4];
        out += HexDigits[byte & 0x0F];
    }
}

}  // namespace

template <typename Record>
void PrefillFindData(Record& record)
{
    std::memset(static_cast<void*>(&record), FindDataFill, sizeof(record));
}

template <typename Record>
bool Untouched(const Record& record)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    return std::all_of(bytes, bytes + sizeof(record), [](unsigned char b) { return b == FindDataFill; });
}

template <typename Record>
bool NameEndsInRecord(const Record& record)
{
    const NameUnits<Record> names = NameFields(record);
    return std::find(names.begin(), names.end(), 0) != names.end();
}

template <typename Record>
std::basic_string<NameUnit<Record>> NameOf(const Record& record)
{
    const NameUnits<Record> names = NameFields(record);
    return {names.begin(), std::find(names.begin(), names.end(), 0)};
}

template <typename Record>
bool NameTailIsClean(const Record& record)
{
    const NameUnits<Record> names = NameFields(record);
    const auto zero = std::find(names.begin(), names.end(), 0);
    return zero != names.end() && std::all_of(zero, names.end(), [](auto unit) { return unit == 0; });
}

template void PrefillFindData(WIN32_FIND_DATAA&);
template bool Untouched(const WIN32_FIND_DATAA&);
template bool NameEndsInRecord(const WIN32_FIND_DATAA&);
template std::string NameOf(const WIN32_FIND_DATAA&);
template bool NameTailIsClean(const WIN32_FIND_DATAA&);

template void PrefillFindData(WIN32_FIND_DATAW&);
template bool Untouched(const WIN32_FIND_DATAW&);
template bool NameEndsInRecord(const WIN32_FIND_DATAW&);
template std::u16string NameOf(const WIN32_FIND_DATAW&);
template bool NameTailIsClean(const WIN32_FIND_DATAW&);

std::string RecordFields(const WIN32_FIND_DATAA& record)
{
    return FieldsBeforeName(record) + Esc(NameOf(record));
}

std::string RecordFields(const WIN32_FIND_DATAW& record)
{
    return FieldsBeforeName(record) + EscUnicode(Utf8FromUtf16(NameOf(record)));
}

std::string Esc(const std::string& bytes)
{
    std::string out;
    for (unsigned char byte : bytes) AppendEscaped(out, byte);
    return out;
}

std::string EscUnicode(const std::string& utf8)
{
    std::string out;
    const auto byte = [&utf8](size_t i) { return static_cast<unsigned char>(utf8[i]); };
    for (size_t i = 0; i < utf8.size(); ++i) {
        // ED A0..BF 80..BF: the three-byte form of U+D800..U+DFFF.
        if (byte(i) == 0xED && i + 2 < utf8.size() && (byte(i + 1) & 0xE0) == 0xA0 &&
            (byte(i + 2) & 0xC0) == 0x80) {
            const unsigned unit = 0xD000 | ((byte(i + 1) & 0x3Fu) << 6) | (byte(i + 2) & 0x3Fu);
            out += "%u";
            for (int shift = 12; shift >= 0; shift -= 4) out += HexDigits[(unit >> shift) & 0xF];
            i += 2;
            continue;
        }
        AppendEscaped(out, byte(i));
    }
    return out;
}

}  // namespace host
