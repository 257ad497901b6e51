// Processors without searches of their own use the portable ones.
#include "LineSearch.h"

const char* FindByte(const char* bytes, size_t n, char value)
{
    return FindBytePortable(bytes, n, value);
}

const char* FindLineFeed(const char* bytes, size_t n)
{
    return FindBytePortable(bytes, n, '\n');
}

const char* FindLineBeforeMark(const char* bytes, size_t n)
{
    return FindLineBeforeMarkPortable(bytes, n);
}
