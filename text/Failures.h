// The two failure kinds of the text layer: the I/O failure, carrying the code
// of the step that failed, and the conversion failure of a field value.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }

private:
    std::string message_;
};

class EInOutError : public Exception {
public:
    explicit EInOutError(int32_t code);
    int32_t IoCode;
};

class EVariantError : public Exception {
public:
    EVariantError() : Exception("Invalid variant type conversion") {}
};

// The text file's own codes; every other code is the system's error number.
constexpr int32_t ioFileNotOpen = 103;
constexpr int32_t ioFileNotOpenForInput = 104;

std::string IoErrorMessage(int32_t code);
[[noreturn]] void RaiseInOutError(int32_t code);
