#pragma once

#include <exception>
#include <string>
#include <utility>

namespace ocx {

// What a failure means to the install logic, decided once where the system's code is read.
enum class ErrorKind {
    NotFound,      // the file is not there
    AlreadyExists, // a file of that name is there already
    Busy,          // another program has the file, or it cannot be changed yet: try again
    Other,
};

// The one failure type of the platform operations: what it means, the system's error code, and
// the system's description for the reports. Its text is Unicode, so what() gives only a fixed
// summary.
class PlatformError : public std::exception {
public:
    PlatformError(ErrorKind kind, unsigned long code, std::wstring description)
        : kind_(kind), code_(code), description_(std::move(description)) {}

    [[nodiscard]] const char* what() const noexcept override { return "platform operation failed"; }

    [[nodiscard]] ErrorKind Kind() const noexcept { return kind_; }
    [[nodiscard]] unsigned long Code() const noexcept { return code_; }
    // The system's own text for the error; empty where it has none.
    [[nodiscard]] const std::wstring& Description() const noexcept { return description_; }

private:
    ErrorKind kind_;
    unsigned long code_;
    std::wstring description_;
};

} // namespace ocx
