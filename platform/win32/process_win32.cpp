#include "platform/process.h"
#include "platform/win32/windows_headers.h"

namespace platform {
namespace {

HANDLE StopEvent() {
  static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

BOOL WINAPI OnConsoleControl(DWORD) {
  SetEvent(StopEvent());
  return TRUE;
}

}  // namespace

long RaiseOpenFileLimit() { return 0; }

void BlockStopSignals() {
  StopEvent();
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void WaitForStopSignal() { WaitForSingleObject(StopEvent(), INFINITE); }

}  // namespace platform

namespace platform {

long long ResidentMemoryBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<long long>(counters.WorkingSetSize);
}

}  // namespace platform

namespace platform {

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::u16string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &length)) return {};
  return FromWide(name);
}

}  // namespace platform
