#include "tests/support/reference_tool.h"

#include <array>
#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include <gtest/gtest.h>
#else
#include <sys/wait.h>
#endif

#ifdef _WIN32
namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Wine's own kernel32 export naming a Windows path's Unix file; absent on Windows itself.
using UnixNameFunction = char*(CDECL*)(LPCWSTR);
UnixNameFunction WineUnixName() {
  const FARPROC found =
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
  return reinterpret_cast<UnixNameFunction>(reinterpret_cast<void (*)()>(found));
}

// A file still to be made has no Unix name of its own: its folder's is taken then.
std::string UnixName(UnixNameFunction unixName, const std::string& windowsPath) {
  struct HeapFreer {
    void operator()(char* text) const { HeapFree(GetProcessHeap(), 0, text); }
  };
  if (const std::unique_ptr<char, HeapFreer> name(unixName(Wide(windowsPath).c_str())); name) {
    return name.get();
  }
  const std::size_t slash = windowsPath.find_last_of("/\\");
  if (slash == std::string::npos || slash < 3) return windowsPath;
  return UnixName(unixName, windowsPath.substr(0, slash)) + "/" + windowsPath.substr(slash + 1);
}

bool StartsWindowsPath(const std::string& text, std::size_t at) {
  return at + 2 < text.size() && std::isalpha(static_cast<unsigned char>(text[at])) &&
         text[at + 1] == ':' && (text[at + 2] == '\\' || text[at + 2] == '/') &&
         (at == 0 || !std::isalnum(static_cast<unsigned char>(text[at - 1])));
}

// Every single-quoted Windows path (up to its closing quote, less a "[frame]" suffix) replaced
// by its Unix name.
std::string WithUnixPaths(UnixNameFunction unixName, const std::string& commandLine) {
  std::string result;
  for (std::size_t at = 0; at < commandLine.size();) {
    if (!StartsWindowsPath(commandLine, at)) {
      result += commandLine[at++];
      continue;
    }
    std::size_t end = commandLine.find('\'', at);
    if (end == std::string::npos) end = commandLine.size();
    std::size_t pathEnd = end;
    if (pathEnd > at && commandLine[pathEnd - 1] == ']') {
      const std::size_t open = commandLine.rfind('[', pathEnd);
      if (open != std::string::npos && open > at) pathEnd = open;
    }
    result += UnixName(unixName, commandLine.substr(at, pathEnd - at));
    result += commandLine.substr(pathEnd, end - pathEnd);
    at = end;
  }
  return result;
}

// One argument of a Windows command line, as the receiving program splits it again.
std::wstring QuotedArgument(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

std::wstring FoundOnPath(const wchar_t* program) {
  std::array<wchar_t, MAX_PATH> found{};
  const DWORD length = SearchPathW(nullptr, program, nullptr, MAX_PATH, found.data(), nullptr);
  return length > 0 && length < MAX_PATH ? std::wstring(found.data(), length) : std::wstring();
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

// A name for the files through which one run hands over its output and status.
std::filesystem::path HandOverBase() {
  static std::atomic<unsigned> runs{0};
  return std::filesystem::temp_directory_path() /
         ("trastel-reference-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(runs++));
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

std::string ReadAndRemove(const std::filesystem::path& path) {
  std::string bytes;
  {
    std::ifstream file(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return bytes;
}

}  // namespace

// The shell writes the tool's output and then its status into files, the status last and by
// renaming, so the status file appears complete. Files rather than a pipe and a process handle:
// Wine hands a Linux process neither the pipe (it gets Wine's own standard output) nor a process
// handle to wait on.
ReferenceToolRun RunReferenceTool(const std::string& commandLine) {
  const std::filesystem::path base = HandOverBase();
  const std::filesystem::path outputFile = base.string() + ".out";
  const std::filesystem::path statusFile = base.string() + ".status";
  std::wstring shell;
  std::string script;
  std::string outputName = Utf8Of(outputFile);
  std::string statusName = Utf8Of(statusFile);
  if (const UnixNameFunction unixName = WineUnixName()) {
    shell = L"Z:\\bin\\sh";
    script = WithUnixPaths(unixName, commandLine);
    outputName = UnixName(unixName, outputName);
    statusName = UnixName(unixName, statusName);
  } else {
    shell = FoundOnPath(L"sh.exe");
    if (shell.empty() || FoundOnPath(L"magick.exe").empty()) {
      ADD_FAILURE() << "The reference pictures need ImageMagick's magick.exe and a POSIX sh.exe "
                       "on PATH (or a run under Wine): "
                    << commandLine;
      return {};
    }
    script = Replaced(Replaced(commandLine, "/usr/bin/convert", "magick convert"),
                      "/usr/bin/identify", "magick identify");
  }
  script = "(" + script + "\n) >'" + outputName + "'; printf %d $? >'" + statusName +
           ".part'; mv '" + statusName + ".part' '" + statusName + "'";
  std::wstring command = QuotedArgument(shell) + L" -c " + QuotedArgument(Wide(script));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    ADD_FAILURE() << "cannot start the reference tool (error " << GetLastError()
                  << "): " << commandLine;
    return {};
  }
  const Handle process(started.hProcess);
  const Handle thread(started.hThread);

  constexpr auto kLimit = std::chrono::minutes(5);
  std::error_code ignored;
  for (auto end = std::chrono::steady_clock::now() + kLimit;
       !std::filesystem::exists(statusFile, ignored);) {
    if (std::chrono::steady_clock::now() > end) {
      ADD_FAILURE() << "the reference tool gave no status in time: " << commandLine;
      return {};
    }
    Sleep(5);
  }
  ReferenceToolRun run;
  run.succeeded = ReadAndRemove(statusFile) == "0";
  run.output = ReadAndRemove(outputFile);
  return run;
}

#else

ReferenceToolRun RunReferenceTool(const std::string& commandLine) {
  struct PipeCloser {
    int* status;
    void operator()(FILE* pipe) const { *status = pclose(pipe); }
  };
  int status = -1;
  ReferenceToolRun run;
  {
    std::unique_ptr<FILE, PipeCloser> pipe(popen(commandLine.c_str(), "r"), PipeCloser{&status});
    if (!pipe) return run;
    std::array<char, 65536> buffer;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) {
      run.output.append(buffer.data(), got);
    }
  }
  run.succeeded = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

#endif
