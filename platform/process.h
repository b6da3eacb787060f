// Process-wide services for the programs and the tests.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// POSIX: raises the soft open-file limit to the hard one, so 1000 sessions
// with their files fit. Returns the limit now in force (0 where none applies).
long RaiseOpenFileLimit();

// Console programs: call BlockStopSignals before any thread starts, so that
// only WaitForStopSignal sees an interrupt or terminate request.
void BlockStopSignals();
void WaitForStopSignal();

// Writes one whole piece of text to standard output and flushes it. Calls from
// several threads never interleave within a piece.
void WriteStdout(std::string_view text);

}  // namespace platform

namespace platform {

// Resident memory of this process in bytes; 0 where it cannot be read.
long long ResidentMemoryBytes();

}  // namespace platform

namespace platform {

// True for a Windows build running under wine, whose memory figures count
// reserved thread stacks as resident.
bool RunningUnderWine();

// The computer's name as the network knows it (GetComputerNameW on Windows,
// the host name on POSIX); empty when it cannot be read.
std::u16string ComputerName();

}  // namespace platform
