// Processors without a line search of their own use the portable one.
#include "LineSearch.h"

const char* FindLineFeed(const char* bytes, size_t n)
{
    return FindLineFeedPortable(bytes, n);
}

const char* FindLineBeforeMark(const char* bytes, size_t n)
{
    return FindLineBeforeMarkPortable(bytes, n);
}
