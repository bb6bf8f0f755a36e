// The batch run ("実行"): converts every entry of the input list, in list order, into the
// output folder with the progress bar, ending with one summary message.
#pragma once

void RunBatch();
