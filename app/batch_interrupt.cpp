#include "app/batch_interrupt.h"

#include "imagelib/atomic_output.h"

InterruptCleanup::InterruptCleanup() : handling_(imagelib::RemoveTemporaryFilesInProgress) {}
