#pragma once

#include <exception>
#include <string>
#include <utility>

namespace ocx {

// The one failure type of the platform operations: the system's error code and its description.
// Its text is Unicode, so what() gives only a fixed summary.
class PlatformError : public std::exception {
public:
    PlatformError(unsigned long code, std::wstring description)
        : code_(code), description_(std::move(description)) {}

    [[nodiscard]] const char* what() const noexcept override { return "platform operation failed"; }

    [[nodiscard]] unsigned long Code() const noexcept { return code_; }
    // The system's own text for the error; empty where it has none.
    [[nodiscard]] const std::wstring& Description() const noexcept { return description_; }

private:
    unsigned long code_;
    std::wstring description_;
};

} // namespace ocx
