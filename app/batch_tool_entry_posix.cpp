#include "app/batch_tool_main.h"

int main(int argc, char** argv) {
  return BatchToolMain(argc, argv);
}
