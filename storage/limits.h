// Text limits, counted in UTF-16 units with the terminator included.
#pragma once

inline constexpr int kMaxPath = 2600;
// The longest path a program may compose or store: kMaxPath less the terminator.
inline constexpr int kMaxPathUnits = kMaxPath - 1;
// The longest path the received list records (its slots hold one unit less).
// Uploads are refused beyond it, or a commit would delete what was just stored.
inline constexpr int kMaxReceivedPathUnits = kMaxPathUnits - 1;
