// Text limits, counted in UTF-16 units with the terminator included.
#pragma once

inline constexpr int kMaxPath = 2600;
// The longest path a program may compose or store: kMaxPath less the terminator.
inline constexpr int kMaxPathUnits = kMaxPath - 1;
