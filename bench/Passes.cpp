#include "Passes.h"

#if !defined(__SSE2__)
#error "the baseline counts lines with SSE2; the 32-bit x86 build takes -msse2"
#endif
#include <emmintrin.h>

#include <cstring>
#include <stdexcept>

#include "Boxes.h"
#include "TextFile.h"

namespace bench {

namespace {

template <typename Record, typename Path = std::basic_string<host::NameUnit<Record>>>
int64_t EntriesOf(const host::DrivenLibrary& library, const Path& folder, Path* firstBookmark)
{
    int64_t entries = 0;
    bool failed = false;
    host::BasicListingOptions<Record> options;
    options.after = [&entries, &failed, firstBookmark](const host::BasicFindAnswer<Record>& answer) {
        const bool firstFailed =
            answer.step == host::FindStep::First && !answer.found && answer.error != ERROR_NO_MORE_FILES;
        failed = failed || firstFailed || (answer.step == host::FindStep::Next && host::NextFailed(answer));
        if (!answer.found) return;
        ++entries;
        if (firstBookmark != nullptr && firstBookmark->empty() &&
            (answer.record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            *firstBookmark = host::NameOf(answer.record);
    };
    return host::ListFolder(library, folder, options) || failed ? -1 : entries;
}

// Boxes shown by one "properties" request, or -1 when the call failed.
template <typename Call>
int64_t BoxesOf(Call call)
{
    int64_t boxes = 0;
    const host::MessageBoxListener before =
        host::SetMessageBoxListener([&boxes](const host::MessageBoxCall&) { ++boxes; });
    const host::ExecuteAnswer answer = call();
    host::SetMessageBoxListener(before);
    return answer.result == FS_EXEC_OK ? boxes : -1;
}

int64_t PropertiesBoxes(const host::DrivenLibrary& library, const std::string& bookmark)
{
    return BoxesOf([&] { return host::CallExecuteFile(library, nullptr, bookmark, "properties"); });
}

int64_t PropertiesBoxes(const host::DrivenLibrary& library, const std::u16string& bookmark)
{
    return BoxesOf([&] { return host::CallExecuteFileW(library, nullptr, bookmark, u"properties"); });
}

// The first bookmark of \Last through one interface; throws where there is none.
template <typename Path>
Path FirstTailBookmarkOf(const host::DrivenLibrary& library, const std::string& hotlistLabel)
{
    const std::string tail = std::string("\\") + kTailFolder;
    const Path folder(tail.begin(), tail.end());
    Path first;
    if (ListedEntries(library, folder, &first) <= 0)
        throw std::runtime_error("cannot list " + tail + " of " + hotlistLabel + ": error " +
                                 std::to_string(library.lastError.get ? library.lastError.get() : 0));
    if (first.empty()) throw std::runtime_error(tail + " of " + hotlistLabel + " holds no bookmark");
    return folder + Path(1, '\\') + first;
}

std::u16string Utf16Tail()
{
    const std::string tail = kTailFolder;
    return std::u16string(tail.begin(), tail.end());
}

// The ones of a 16-bit mask. SSE2 has no popcount, and neither build may
// assume the POPCNT instruction; libgcc's __popcountsi2, a call per 16 bytes,
// is slower than this.
unsigned OnesOf(unsigned mask)
{
    mask -= (mask >> 1) & 0x5555;
    mask = (mask & 0x3333) + ((mask >> 2) & 0x3333);
    mask = (mask + (mask >> 4)) & 0x0F0F;
    return (mask + (mask >> 8)) & 0x1F;
}

int64_t LineFeedsBySse2(const char* block, size_t size)
{
    const __m128i lineFeeds = _mm_set1_epi8('\n');
    int64_t count = 0;
    size_t at = 0;
    for (; at + 16 <= size; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
        count += OnesOf(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineFeeds))));
    }
    for (; at < size; ++at) count += block[at] == '\n';
    return count;
}

int64_t LineFeedsByMemchr(const char* block, size_t size)
{
    int64_t count = 0;
    const char* const end = block + size;
    for (const char* at = block; (at = static_cast<const char*>(std::memchr(at, '\n', end - at))) != nullptr; ++at)
        ++count;
    return count;
}

// The file read with ReadFile into `block`, its LFs counted block by block
// right after each read: the line count, or -1 when the file cannot be opened.
int64_t PlainReading(const std::string& file, std::vector<char>& block,
                     int64_t (*lineFeeds)(const char* block, size_t size))
{
    const HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return -1;
    int64_t lines = 0;
    DWORD got = 0;
    while (ReadFile(handle, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got != 0)
        lines += lineFeeds(block.data(), got);
    CloseHandle(handle);
    return lines;
}

}  // namespace

int64_t ListedEntries(const host::DrivenLibrary& library, const std::string& folder, std::string* firstBookmark)
{
    return EntriesOf<WIN32_FIND_DATAA>(library, folder, firstBookmark);
}

int64_t ListedEntries(const host::DrivenLibrary& library, const std::u16string& folder,
                      std::u16string* firstBookmark)
{
    return EntriesOf<WIN32_FIND_DATAW>(library, folder, firstBookmark);
}

TPassTarget TargetOf(const host::DrivenLibrary& library, const std::string& file)
{
    return {&library, file, {}, {}, std::vector<char>(kTextBufferSize)};
}

void FindTailBookmark(TPassTarget& target, const std::string& hotlistLabel)
{
    target.Bookmark = FirstTailBookmarkOf<std::string>(*target.Library, hotlistLabel);
    if (target.Library->fs.FsFindFirstW != nullptr)
        target.BookmarkW = FirstTailBookmarkOf<std::u16string>(*target.Library, hotlistLabel);
}

int64_t RunPass(TPassKind kind, TPassTarget& target)
{
    switch (kind) {
    case TPassKind::Walk: return ListedEntries(*target.Library, std::string("\\") + kTailFolder);
    case TPassKind::Properties: return PropertiesBoxes(*target.Library, target.Bookmark);
    case TPassKind::ListRoot: return ListedEntries(*target.Library, std::string("\\"));
    case TPassKind::WalkW: return ListedEntries(*target.Library, u"\\" + Utf16Tail());
    case TPassKind::PropertiesW: return PropertiesBoxes(*target.Library, target.BookmarkW);
    case TPassKind::ListRootW: return ListedEntries(*target.Library, std::u16string(u"\\"));
    case TPassKind::LineCount: return PlainReading(target.File, target.Block, &LineFeedsBySse2);
    case TPassKind::MemchrLines: return PlainReading(target.File, target.Block, &LineFeedsByMemchr);
    }
    return -1;
}

int64_t FirstAnswer(const char* label, int64_t answer)
{
    if (answer <= 0)
        throw std::runtime_error(std::string(label) + " gave no answer (" + std::to_string(answer) + ")");
    return answer;
}

void CheckAnswer(const char* label, int64_t answer, int64_t expected)
{
    if (answer != expected)
        throw std::runtime_error(std::string(label) + " answered " + std::to_string(answer) + ", first " +
                                 std::to_string(expected));
}

}  // namespace bench
