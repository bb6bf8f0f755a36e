// trastel-batch's work after the system's entry point has its arguments as UTF-8.
#pragma once

// `argv` as a C main function receives it, in UTF-8; returns the exit status.
int BatchToolMain(int argc, char** argv);
