#pragma once

#include <cstddef>
#include <string>

namespace ocx {

// A number as text in the base given (up to 16), in upper-case digits, padded with zeros to the
// width. Not std::to_wstring, whose formatter would take a sixth of the program, nor
// std::to_chars, which here takes a kilobyte more than these few lines.
inline std::wstring Digits(unsigned long number, unsigned long base, std::size_t width = 1) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), L"0123456789ABCDEF"[number % base]);
        number /= base;
    } while (number != 0 || digits.size() < width);
    return digits;
}

} // namespace ocx
