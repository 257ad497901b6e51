// The library's searches where it takes the portable ones: on processors
// without searches of their own, and in builds that ask for them
// (TANSY_PORTABLE_LINE_SEARCH).
#include "LineSearch.h"

const char* FindByte(const char* bytes, size_t n, char value)
{
    return FindBytePortable(bytes, n, value);
}

const char* FindLineFeed(const char* bytes, size_t n)
{
    return FindBytePortable(bytes, n, '\n');
}

const char* FindLineBeforeMark(const char* bytes, size_t n, const TMarkStarts& starts)
{
    return FindLineBeforeMarkPortable(bytes, n, starts);
}
