// No failure may leave an export: the host is not prepared for a C++
// exception, and one crossing the interface would end its process.
#pragma once

#include <cstdint>
#include <new>

#include "Failures.h"
#include "tansy_windows.h"

// The system error code that stands for a failure raised inside an export.
inline DWORD FailureCode()
{
    try {
        throw;
    } catch (const EInOutError& e) {
        return static_cast<DWORD>(e.IoCode);
    } catch (const EVariantError&) {
        return ERROR_INVALID_DATA;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_GEN_FAILURE;
    }
}

// Runs `body`; when it fails, `onFailure(code)` gives the export's answer.
template <class Body, class OnFailure>
auto Guarded(Body body, OnFailure onFailure) noexcept -> decltype(body())
{
    try {
        return body();
    } catch (...) {
        return onFailure(FailureCode());
    }
}
