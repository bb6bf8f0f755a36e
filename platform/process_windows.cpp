#include <io.h>
#include <windows.h>

#include <algorithm>

#include "platform/process.h"
#include "platform/wide_text_windows.h"

namespace platform {
namespace {

void (*interruptCallback)() = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD) {
  if (interruptCallback != nullptr) interruptCallback();
  // Ends the process as Windows ends one interrupted by Ctrl+C, so that the run is never taken
  // for a success (Wine's own handling would end it with status 0).
  ExitProcess(STATUS_CONTROL_C_EXIT);
}

HANDLE HandleOf(std::FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

}  // namespace

std::optional<std::string> ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::nullopt;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return std::nullopt;
    path.resize(path.size() * 2);
  }
  std::string text = Narrow(path);
  std::replace(text.begin(), text.end(), '\\', '/');
  const std::size_t lastSeparator = text.rfind('/');
  if (lastSeparator == std::string::npos) return std::nullopt;
  return text.substr(0, lastSeparator + 1);
}

std::optional<std::string> UserSettingsFolder() {
  std::wstring folder(MAX_PATH, L'\0');
  DWORD length = GetEnvironmentVariableW(L"APPDATA", folder.data(), MAX_PATH);
  if (length >= MAX_PATH) {
    folder.resize(length);
    length = GetEnvironmentVariableW(L"APPDATA", folder.data(), length);
  }
  if (length == 0 || length >= folder.size()) return std::nullopt;
  folder.resize(length);
  std::string text = Narrow(folder);
  if (text.empty()) return std::nullopt;
  std::replace(text.begin(), text.end(), '\\', '/');
  if (text.back() != '/') text += '/';
  return text + "Trastel/";
}

bool IsInstalledProgramFolder(const std::string& folder) {
  std::wstring wide = Widen(folder);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  for (const wchar_t* variable : {L"ProgramFiles", L"ProgramFiles(x86)"}) {
    wchar_t place[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(variable, place, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) continue;
    std::wstring prefix(place, length);
    if (prefix.back() != L'\\') prefix += L'\\';
    if (wide.size() >= prefix.size() &&
        CompareStringOrdinal(wide.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                             static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL) {
      return true;
    }
  }
  return false;
}

unsigned long CurrentProcessId() {
  return GetCurrentProcessId();
}

bool HasProcessEnded(unsigned long id) {
  if (id == 0) return false;
  const HANDLE process =
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

bool IsConsole(std::FILE* stream) {
  DWORD mode = 0;
  return GetConsoleMode(HandleOf(stream), &mode) != 0;
}

void UseUtf8Console(std::FILE* stream) {
  SetConsoleOutputCP(CP_UTF8);
  // The progress line redraws itself with terminal escape codes.
  DWORD mode = 0;
  const HANDLE console = HandleOf(stream);
  if (GetConsoleMode(console, &mode)) {
    SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

void WriteText(std::FILE* stream, std::string_view text) {
  const HANDLE console = HandleOf(stream);
  DWORD mode = 0;
  if (!GetConsoleMode(console, &mode)) {
    std::fwrite(text.data(), 1, text.size(), stream);
    return;
  }
  // What the C runtime still holds goes first; its narrow writes pass the console's code page.
  std::fflush(stream);
  const std::wstring wide = Widen(text);
  DWORD written = 0;
  WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

InterruptHandling::InterruptHandling(void (*onInterrupt)()) {
  interruptCallback = onInterrupt;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptHandling::~InterruptHandling() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  interruptCallback = nullptr;
}

}  // namespace platform
