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
// placeholders and zero totals when nothing is selected.
void RefreshSelection();
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
