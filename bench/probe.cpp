// quillet_bench_probe.exe: the benchmarks' eyes under Wine. It watches a program from outside,
// through the window manager's state only, so the program measured is the product as built.
//
//   probe start EXE [TIMEOUT_S]    starts EXE and waits until it has added a notification-area
//                                  icon; prints pid=, created= (FILETIME, 100 ns units),
//                                  icon_ms= (from the process's creation time) and leaves it running
//   probe popups EXE N [TIMEOUT_S] starts EXE and watches its update window for N pop-ups; per
//                                  pop-up prints the moment it became visible (ms after the
//                                  process's creation time and after minuteTimer was created) and how
//                                  long the window then took to answer a message; then ends the
//                                  program through its tray window (WM_CLOSE)
//   probe memory PID               working set and peak working set of a process, in KiB
//   probe close CLASS              posts WM_CLOSE to the top-level window of that class
//
// "Icon added": a notification-area icon is a child window of class __winex11_tray_icon of
// Wine's own tray; the icon is there once their number grows. "minuteTimer created": the second
// message-only window of class QuilletTimer of the process (the composition root creates countdownTimer,
// then minuteTimer, which is enabled as it is created). Polling runs every millisecond.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::uint64_t FileTimeNow() {
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::uint64_t AsNumber(const FILETIME& ft) {
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

double MsSince(std::uint64_t origin) { return static_cast<double>(FileTimeNow() - origin) / 10000.0; }

int CountTrayIcons() {
  int count = 0;
  HWND tray = nullptr;
  while ((tray = FindWindowExW(nullptr, tray, L"__winex11_standalone_tray", nullptr)) != nullptr) {
    HWND icon = nullptr;
    while ((icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr)) != nullptr) ++count;
  }
  return count;
}

int CountOwnWindows(HWND parent, const wchar_t* className, DWORD pid) {
  int count = 0;
  HWND window = nullptr;
  while ((window = FindWindowExW(parent, window, className, nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == pid) ++count;
  }
  return count;
}

HWND FindOwnWindow(const wchar_t* className, DWORD pid) {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, className, nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == pid) return window;
  }
  return nullptr;
}

struct Started {
  PROCESS_INFORMATION info{};
  std::uint64_t created = 0;
};

bool Start(const char* exe, Started& started) {
  std::string command = std::string("\"") + exe + "\"";
  // The program gets none of the probe's output streams: a pipe reading the probe's report
  // must not stay open for as long as the program runs.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
  BOOL created = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr,
                                &startup, &started.info);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!created) {
    std::fprintf(stderr, "probe: cannot start %s (error %lu)\n", exe, GetLastError());
    return false;
  }
  FILETIME creation, exit, kernel, user;
  GetProcessTimes(started.info.hProcess, &creation, &exit, &kernel, &user);
  started.created = AsNumber(creation);
  return true;
}

bool Exited(const Started& started) { return WaitForSingleObject(started.info.hProcess, 0) == WAIT_OBJECT_0; }

int CommandStart(const char* exe, double timeoutS) {
  int before = CountTrayIcons();
  Started started;
  if (!Start(exe, started)) return 2;
  std::printf("pid=%lu\ncreated=%llu\n", started.info.dwProcessId, static_cast<unsigned long long>(started.created));
  while (MsSince(started.created) < timeoutS * 1000) {
    if (CountTrayIcons() > before) {
      std::printf("icon_ms=%.1f\n", MsSince(started.created));
      return 0;
    }
    if (Exited(started)) break;
    Sleep(1);
  }
  std::printf("icon_ms=none\n");
  return 1;
}

int CommandPopups(const char* exe, int wanted, double timeoutS) {
  Started started;
  if (!Start(exe, started)) return 2;
  DWORD pid = started.info.dwProcessId;
  std::printf("pid=%lu\n", pid);
  double minuteTimerMs = -1;
  int seen = 0;
  bool wasVisible = false;
  while (seen < wanted && MsSince(started.created) < timeoutS * 1000 && !Exited(started)) {
    if (minuteTimerMs < 0 && CountOwnWindows(HWND_MESSAGE, L"QuilletTimer", pid) >= 2) {
      minuteTimerMs = MsSince(started.created);
      std::printf("minute_timer_ms=%.1f\n", minuteTimerMs);
    }
    HWND form = FindOwnWindow(L"QuilletForm1", pid);
    bool visible = form != nullptr && IsWindowVisible(form);
    if (visible && !wasVisible) {
      double shownMs = MsSince(started.created);
      ++seen;
      // How long until the window answers: a pop-up must leave the program responsive.
      DWORD_PTR ignored = 0;
      SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
      double answerMs = MsSince(started.created) - shownMs;
      std::printf("popup=%d shown_ms=%.1f after_minute_timer_ms=%.1f answers_after_ms=%.1f\n", seen, shownMs,
                  minuteTimerMs < 0 ? -1.0 : shownMs - minuteTimerMs, answerMs);
      std::fflush(stdout);
    }
    wasVisible = visible;
    Sleep(1);
  }
  HWND tray = FindOwnWindow(L"QuilletTray", pid);
  if (tray != nullptr) PostMessageW(tray, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(started.info.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(started.info.hProcess, 1);
  return seen == wanted ? 0 : 1;
}

int CommandMemory(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (process == nullptr) process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (process == nullptr || !GetProcessMemoryInfo(process, &counters, sizeof counters)) {
    std::printf("working_set_kb=none\npeak_working_set_kb=none\n");
    return 1;
  }
  std::printf("working_set_kb=%lu\npeak_working_set_kb=%lu\n",
              static_cast<unsigned long>(counters.WorkingSetSize / 1024),
              static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024));
  CloseHandle(process);
  return 0;
}

int CommandClose(const char* className) {
  HWND window = FindWindowA(className, nullptr);
  if (window == nullptr) return 1;
  return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  timeBeginPeriod(1);
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "start" && argc >= 3) return CommandStart(argv[2], argc > 3 ? std::atof(argv[3]) : 60);
  if (command == "popups" && argc >= 4) {
    return CommandPopups(argv[2], std::atoi(argv[3]), argc > 4 ? std::atof(argv[4]) : 600);
  }
  if (command == "memory" && argc >= 3) return CommandMemory(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
  if (command == "close" && argc >= 3) return CommandClose(argv[2]);
  std::fprintf(stderr, "usage: probe start EXE [TIMEOUT_S] | popups EXE N [TIMEOUT_S] | memory PID | close CLASS\n");
  return 2;
}
