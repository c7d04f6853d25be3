#pragma once

namespace ocx {

// The only title the installer's messages carry.
inline constexpr const wchar_t* MessageTitle = L"OCX Installation";
// An error icon and a single OK button.
inline constexpr unsigned MessageStyleError = 16;

} // namespace ocx
