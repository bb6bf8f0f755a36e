#include "app/batch_interrupt.h"

#include "engine/imagelib/atomic_output.h"

InterruptCleanup::InterruptCleanup() : handling_(imagelib::RemoveTemporaryFilesInProgress) {}
