#pragma once

#include "common/KeyData.h"

#include <cstdint>

// Short names for the modifier flags that key-table rows are written with ("kCmd | kShift").
namespace tavolin::test::modifiers {

inline constexpr uint64_t kCmd = eventflag::kCommand;
inline constexpr uint64_t kShift = eventflag::kShift;
inline constexpr uint64_t kCtrl = eventflag::kControl;
inline constexpr uint64_t kOpt = eventflag::kOption;

} // namespace tavolin::test::modifiers
