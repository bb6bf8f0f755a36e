// The information groups of the input panel: the facts of the selected picture before and
// after conversion (measured on a trial conversion) and the total size of the list.
#pragma once

#include <cstdint>

#include "state/app_state.h"

// The five boxes of one information row.
struct InfoRow {
  int nameBox;
  int widthBox;
  int heightBox;
  int sizeBox;
  int typeBox;
};

// Recomputes both rows for the selected entry (with a trial conversion), or shows the
// placeholders and zero totals when nothing is selected. The entry is measured away from the
// window's thread: its name shows at once, its figures when they are known; a newer refresh
// drops an older measurement. (An animated GIF's trial, of the whole list, is done at once.)
void RefreshSelection();
// True while the selected entry's figures are being measured.
bool MeasuringSelection();
// Ends the measuring for good (the window closes); what is under way is not shown.
void StopMeasuring();
// Tests hold each measurement back until released, to see the window meanwhile.
void HoldMeasuringForTesting(bool hold);
// Shows the output name the selected entry would get in the "変換後" name box.
void ShowOutputNamePreview();

int ShowBeforeInfo(const InfoRow& row);
int ShowAfterInfo(const InfoRow& row);
int ShowHtmAfterInfo(const InfoRow& row);
void ShowNoInfo(const InfoRow& row);

// Measures a picture file into `record` (size, kind, width, height); a picture that cannot be
// decoded leaves the record as it was. Always 1.
int RecordPictureFacts(const char* path, PictureRecord& record);

// The picture's width and height; false (with a message) when it cannot be decoded.
bool GetSizeXY(const char* path, int& width, int& height);

// The file's length in bytes, or -1 (with a message) when it cannot be opened.
std::int64_t GetFileSize(const char* path);

// Handler of "計算": the number of entries and the sum of their sizes.
void OnCalcTotal();
bool ComputeInputTotal();
