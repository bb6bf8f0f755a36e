// The main of every test program: GoogleTest with one check added. A test fails when it caused a
// miss of the headless control layer (an address that names no control), listing the misses;
// a test that means to address a missing control takes and checks its misses itself
// (HeadlessControlLayer::TakeMisses) before it ends.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#endif

#include "controls/headless/headless_control_layer.h"

namespace {

#ifdef _WIN32
// A crash ends the program with status 3. Under Wine the debugger that catches an unhandled
// exception would otherwise end the program with status 0, and a crashed suite would pass.
LONG WINAPI EndCrashedProgram(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "test program crashed: exception 0x%08lx\n",
               info->ExceptionRecord->ExceptionCode);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}
#endif

class ControlMissCheck : public testing::EmptyTestEventListener {
  // Listeners end in reverse order, so this runs before the result is printed and a failure
  // added here belongs to the test.
  void OnTestEnd(const testing::TestInfo&) override {
    for (const ControlMiss& miss : HeadlessControlLayer::TakeMisses()) {
      ADD_FAILURE() << "no control at (" << miss.barId << ", " << miss.controlId << ") for "
                    << miss.operation;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  SetUnhandledExceptionFilter(EndCrashedProgram);
#endif
  testing::InitGoogleTest(&argc, argv);
  // The listener list takes ownership.
  testing::UnitTest::GetInstance()->listeners().Append(new ControlMissCheck);
  return RUN_ALL_TESTS();
}
