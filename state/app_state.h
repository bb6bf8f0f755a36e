// The one state object of the process: picture slots, the source and target picture records
// (the target carries every saved picture setting) and the path block.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/path_names.h"
#include "base/text_encoding.h"
#include "imagelib/imagelib.h"

inline constexpr int kFrameSlotCount = 1000;
// The longest source name (counted by StoredLength), as the source record holds it.
inline constexpr std::size_t kMaxNameLength = 127;

struct PictureRecord {
  char name[StoredTextBytes(kMaxNameLength)];
  char path[kPathBufferBytes];
  // 64-bit, as is the total in PathBlock: pictures of 2 GiB and more are measured truly.
  std::int64_t fileSize;
  std::int32_t DIB_TYPE;
  std::int32_t ANGLE_VAL;
  std::int32_t ANGLE_COLOR;
  std::int32_t FILTER_TYPE;
  std::int32_t RESIZE_TYPE;
  std::int32_t width;
  std::int32_t height;
  std::int32_t RESIZE_X;
  std::int32_t RESIZE_Y;
  std::int32_t CUT_TYPE;
  std::int32_t cropX;
  std::int32_t cropY;
  std::int32_t cropWidth;
  std::int32_t cropHeight;
  std::int32_t CUT_X_1;
  std::int32_t CUT_Y_1;
  std::int32_t CUT_X2_1;
  std::int32_t CUT_Y2_1;
  std::int32_t CUT_X_2;
  std::int32_t CUT_Y_2;
  std::int32_t CUT_X2_2;
  std::int32_t CUT_Y2_2;
  std::int32_t BMP_TYPE;
  std::int32_t JPG_TYPE;
  std::int32_t JPG_PRO;
  std::int32_t PNG_PRO;
  std::int32_t GIF_ANIMA;
  std::int32_t GIF_PRO;
  std::int32_t GIF_COLOR;
  std::int32_t GIF_SPEED;
  std::int32_t GIF_BIT;
  std::int32_t HTM_TYPE;
  // Settings beyond Confing.inf's, kept in Trastel.inf.
  std::int32_t RESIZE_FIT;  // engine/output_size.h: ResizeShape
  std::int32_t NO_ENLARGE;
  std::int32_t JPG_MAX_KB;  // 0 for no cap
  std::int32_t WEBP_QUALITY;
  std::int32_t WEBP_LOSSLESS;
  std::int32_t AVIF_QUALITY;
  std::int32_t AVIF_SPEED;
  std::int32_t JXL_QUALITY;
  std::int32_t JXL_EFFORT;  // the effort less one: 0 for effort 1 ... 8 for effort 9
  std::int32_t JXL_LOSSLESS;
  std::int32_t JXL_FROM_JPEG;
  std::int32_t EXISTING;  // engine/batch.h: ExistingOutput
  std::int32_t KEEP_DATE;
  std::int32_t ON_ERROR;        // engine/batch.h: OnError
  std::int32_t EXIF_KEEP;       // imagelib/exif_editing.h: ExifKeep
  std::int32_t NAME_FROM_DATE;  // engine/date_names.h: NameFromDate
  std::int32_t KEEP_SMALLER;    // engine/smaller_output.h: KeepSmaller
  std::int32_t SUBFOLDERS;
  std::int32_t KEEP_TREE;
  std::int32_t BUDGET_MB;  // the JPEG, WebP or AVIF outputs' total in MB; 0 for no budget
  // Not a setting: what an entry's output may take of the run's budget, in bytes; 0 for no share.
  std::int64_t budgetShare;
};

struct PathBlock {
  char configPath[kPathBufferBytes];
  char SAVE[kPathBufferBytes];
  char tempName[kPathBufferBytes];
  std::int32_t selectedIndex;
  std::int32_t RENAME_TYPE;
  char outputName[kPathBufferBytes];
  std::int32_t RENAME_NUM;
  std::int32_t RENAME_VAL;
  std::int32_t RENAME_DIB;
  // Sizes are 64-bit so that a list of large files cannot overflow the total.
  std::int64_t totalSize;
  std::int32_t itemCount;
  std::int32_t FOLDER_TYPE;
  char subFolder[kPathBufferBytes];
  std::int32_t PREVIEW_TYPE;
  char FOLDER_NAME[kPathBufferBytes];
  char RENAME_NAME[kPathBufferBytes];
};

struct AppState {
  PictureHandle workImage = 0;
  PictureHandle frameImages[kFrameSlotCount] = {};
  std::unique_ptr<PictureRecord> source;
  std::unique_ptr<PictureRecord> target;
  std::unique_ptr<PathBlock> paths;

  AppState();
  ~AppState();
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;
};

// The one AppState, created with its defaults on the first call.
AppState* GetAppState();
// Releases the pictures, frees the records and forgets the instance.
void DestroyAppState();
// Writes the defaults into target and paths and recomputes configPath, SAVE and tempName.
int SetDefaults(AppState* state);
// Releases workImage, then frameImages 0..999, leaving every handle 0.
void ReleaseAllImages(AppState* state);

// Copies `text` into a fixed byte array, cut at a character boundary so that it fits with its
// terminator.
template <std::size_t N>
void CopyText(char (&destination)[N], const char* text);
void CopyTextInto(char* destination, std::size_t size, const char* text);

template <std::size_t N>
void CopyText(char (&destination)[N], const char* text) {
  CopyTextInto(destination, N, text);
}

// Copies `text` into an array sized by StoredTextBytes, cut to the stored length it holds.
template <std::size_t N>
void CopyStoredText(char (&destination)[N], std::string_view text) {
  static_assert((N - 1) % 3 == 0, "an array sized by StoredTextBytes");
  CopyText(destination, std::string(CutToStoredLength(text, (N - 1) / 3)).c_str());
}
