#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

namespace ocx {

// Clears the temporary copies that runs which were cut off (a forced log-off, a power cut) left
// beside the target, which would otherwise stay for good. New copies they staged, and empty
// ones (no copy at all), go now; a copy queued for deletion at the restart is no one's: it goes
// now if it can, at one try and silently, or else at the restart. Old copies they set aside are
// given back: any may be the last that worked, so they go only once the run has done its work.
// The lock keeps other runs' copies out of reach, and a file that the program does not name is
// never touched.
std::vector<std::wstring> ClearLeftovers(Platform& platform, const std::wstring& target) noexcept;

// Discards the old copies that cut-off runs left, once the run's work is done.
void DiscardEarlierCopies(Platform& platform, const std::wstring& target,
                          std::vector<std::wstring>& earlier) noexcept;

} // namespace ocx
