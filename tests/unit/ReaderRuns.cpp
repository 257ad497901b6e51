#include "ReaderRuns.h"

#include <cstdio>

#if __has_include("CodePageControl.h")
#include "CodePageControl.h"
#include "FaultInjection.h"
#define TANSY_TEST_CODE_PAGES 1
#endif

std::vector<UINT> CodePages()
{
#ifdef TANSY_TEST_CODE_PAGES
    return {1251, 1252, CP_UTF8};
#else
    return {0};
#endif
}

void UnderEachCodePage::SetUp()
{
#ifdef TANSY_TEST_CODE_PAGES
    TansySetActiveCodePage(GetParam());
#endif
}

void UnderEachCodePage::TearDown()
{
#ifdef TANSY_TEST_CODE_PAGES
    TansySetActiveCodePage(0);
    TansyClearFaults();
#endif
}

std::string Hex(const WideString& text)
{
    std::string shown;
    char unit[8];
    for (const char16_t c : text) {
        std::snprintf(unit, sizeof unit, "%04X ", static_cast<unsigned>(c));
        shown += unit;
    }
    return shown;
}
