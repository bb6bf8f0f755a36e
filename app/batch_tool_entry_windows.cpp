// The Windows entry point: the arguments come as UTF-16 and become UTF-8, and the console is
// told to show UTF-8.
#include <cstdio>
#include <string>
#include <vector>

#include "app/batch_tool_main.h"
#include "platform/process.h"
#include "platform/wide_text_windows.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(platform::Narrow(argv[i]));
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  platform::UseUtf8Console(stdout);
  platform::UseUtf8Console(stderr);
  return BatchToolMain(argc, pointers.data());
}
