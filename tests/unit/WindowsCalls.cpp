#include "WindowsCalls.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "TestFiles.h"

std::string AllBytes()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

std::u16string ToWide(UINT codePage, const std::string& bytes)
{
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(n > 0 ? n : 0), u'\0');
    if (n > 0) {
        EXPECT_EQ(MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      reinterpret_cast<LPWSTR>(wide.data()), n),
                  n);
    }
    return wide;
}

std::string ToBytes(UINT codePage, const std::u16string& wide, BOOL* usedDefault)
{
    const auto source = reinterpret_cast<LPCWSTR>(wide.data());
    const int length = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(codePage, 0, source, length, nullptr, 0, nullptr, usedDefault);
    std::string bytes(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        EXPECT_EQ(WideCharToMultiByte(codePage, 0, source, length, bytes.data(), n, nullptr, usedDefault), n);
    }
    return bytes;
}

HRESULT ToInt32(const std::u16string& text, LONG& value)
{
    VARIANT source;
    VARIANT dest;
    VariantInit(&source);
    VariantInit(&dest);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(reinterpret_cast<const WCHAR*>(text.data()), static_cast<UINT>(text.size()));
    const HRESULT result = VariantChangeTypeEx(&dest, &source, LOCALE_USER_DEFAULT, 0, VT_I4);
    if (SUCCEEDED(result)) {
        EXPECT_EQ(dest.vt, VT_I4);
        value = dest.lVal;
    } else {
        EXPECT_EQ(dest.vt, VT_EMPTY) << "a failed conversion leaves the destination alone";
    }
    VariantClear(&source);
    VariantClear(&dest);
    return result;
}

HANDLE OpenForReading(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

DWORD OpenError(const std::string& path)
{
    SetLastError(12345);
    const HANDLE handle = OpenForReading(path);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(handle);
    return 0;
}

Lookup ReadProfile(const std::string& file, const char* section, const char* key, const char* fallback, DWORD size)
{
    std::vector<char> buffer(size + 16, '#');
    const DWORD count = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, file.c_str());
    EXPECT_EQ(buffer[size], '#') << "wrote past the buffer";
    return {std::string(buffer.data(), size > 0 ? std::strlen(buffer.data()) : 0), count};
}

std::string HotlistValue(const std::string& content)
{
    return ReadProfile(WriteTempFile(content), "main", "hotlist").value;
}
