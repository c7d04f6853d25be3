#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace ocx {

// The one failure type of the platform operations: the system's error code and its description.
class PlatformError : public std::runtime_error {
public:
    PlatformError(unsigned long code, std::wstring description)
        : std::runtime_error("platform operation failed"), code_(code),
          description_(std::move(description)) {}

    [[nodiscard]] unsigned long Code() const noexcept { return code_; }
    // The system's own text for the error; empty where it has none.
    [[nodiscard]] const std::wstring& Description() const noexcept { return description_; }

private:
    unsigned long code_;
    std::wstring description_;
};

} // namespace ocx
