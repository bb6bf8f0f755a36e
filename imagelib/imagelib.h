// The image library: every decoding, encoding and pixel operation of the program goes through
// these calls. A picture is a device-independent bitmap held in the library's picture store and
// reached through an opaque non-zero handle; 0 means "no picture". Operations report success as
// a non-zero int, as the rest of the program expects.
#pragma once

#include <cstdint>
#include <functional>

using PictureHandle = std::uint32_t;

// A colour as 0x00BBGGRR.
using ColourRef = std::uint32_t;

constexpr ColourRef MakeColour(int red, int green, int blue) {
  return static_cast<ColourRef>((red & 0xff) | ((green & 0xff) << 8) | ((blue & 0xff) << 16));
}
constexpr int RedOf(ColourRef colour) {
  return colour & 0xff;
}
constexpr int GreenOf(ColourRef colour) {
  return (colour >> 8) & 0xff;
}
constexpr int BlueOf(ColourRef colour) {
  return (colour >> 16) & 0xff;
}

// The 40-byte header that describes a picture, laid out as a BITMAPINFOHEADER.
struct BitmapInfoHeader {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct ColourPair {
  ColourRef from;
  ColourRef to;
};
static_assert(sizeof(ColourPair) == 8);

// PNG options (36 bytes). Flag 0x80 asks for Adam7 interlacing.
struct PngOptions {
  std::uint32_t flags;
  std::uint16_t bitValue;
  std::uint16_t unused1;
  std::uint32_t depthValue;
  std::uint8_t unused2[12];
  std::uint32_t unused3;
  std::uint32_t reserved1;
  std::uint32_t reserved2;
};
static_assert(sizeof(PngOptions) == 36);

inline constexpr std::uint32_t kPngFlagBitValue = 0x01;
inline constexpr std::uint32_t kPngFlagAlways = 0x02;
inline constexpr std::uint32_t kPngFlagInterlace = 0x80;

// GIF options (28 bytes). Flag 0x08: `transparent` is valid; flag 0x80: interlaced.
struct GifOptions {
  std::uint32_t flags;
  ColourRef transparent;
  std::uint8_t unused[20];
};
static_assert(sizeof(GifOptions) == 28);

inline constexpr std::uint32_t kGifFlagTransparent = 0x08;
inline constexpr std::uint32_t kGifFlagInterlace = 0x80;
inline constexpr std::uint32_t kGifFlagFrameValid = 0x1000;

// One frame of an animated GIF (28 bytes). Flag 0x1000 marks frameValue, delayMs and picture
// valid; 0x08 and 0x80 mean what they mean in GifOptions. frameValue 2 is disposal method 2.
struct AnimationFrame {
  std::uint32_t flags;
  ColourRef transparent;
  std::uint8_t unused[12];
  std::uint16_t frameValue;
  std::uint16_t delayMs;
  PictureHandle picture;
};
static_assert(sizeof(AnimationFrame) == 28);

// Kinds returned by IdentifyPictureFile.
inline constexpr int kIdentifiedNone = 0;
inline constexpr int kIdentifiedBmp = 1;
inline constexpr int kIdentifiedJpeg = 2;
inline constexpr int kIdentifiedPng = 3;
inline constexpr int kIdentifiedGif = 4;
inline constexpr int kIdentifiedWebp = 5;
inline constexpr int kIdentifiedHeic = 6;
inline constexpr int kIdentifiedAvif = 7;
inline constexpr int kIdentifiedJxl = 8;

// Why the last call on this thread that failed did so, in the user's words; "" when none said
// why. A failing call records its reason unless one is recorded already, so a caller clears it
// before the calls whose failure it reports.
const char* LastFailureReason();
// Non-zero when that failure was a file that could not be written (no space, no permission).
int LastFailureIsWriting();
void ClearFailureReason();

int IdentifyPictureFile(const char* path, int reserved);
PictureHandle LoadPicture(const char* path);
// As LoadPicture, keeping the alpha of a picture that has one, for the encoders that store it
// (SaveWebp, SaveAvif): its pixels then hold their own colours, not as they show over white.
// The pixel operations carry the alpha along; other encoders are not given such a picture.
PictureHandle LoadPictureKeepingAlpha(const char* path);
struct PictureSize {
  int width;
  int height;
};
// The size a picture of the given size (as it shows, turned as its file says) is resized to.
using ResizedSizeRule = std::function<PictureSize(PictureSize shown)>;
// As LoadPicture, or LoadPictureKeepingAlpha when `keepAlpha` is non-zero, for a picture that is
// resized to `resizedTo(its size)` next: a JPEG is then decoded at the smallest DCT scale that
// still covers that size in both directions. GetSourceSize tells the size its file holds.
PictureHandle LoadPictureForResize(const char* path, int keepAlpha,
                                   const ResizedSizeRule& resizedTo);
void ReleasePicture(PictureHandle picture);
int GetPictureHeader(PictureHandle picture, BitmapInfoHeader* header);
// The size of the picture as its file holds it, turned as the file says: its own size unless
// LoadPictureForResize decoded it reduced. 0 for no picture.
int GetSourceSize(PictureHandle picture, PictureSize* size);
ColourRef GetPixelColour(PictureHandle picture, int x, int y);
// Returns a new handle for the rectangle, clipped to the picture (the whole picture when nothing
// of it lies inside), and releases the handle passed in; 0 when that was no picture.
PictureHandle CropPicture(PictureHandle picture, int x, int y, int width, int height);
int ConvertTo24Bit(PictureHandle picture);
int ConvertTo16Bit(PictureHandle picture, int reserved1, int reserved2);
int ConvertTo8Bit(PictureHandle picture, int reserved1, int reserved2);
int CompressRle(PictureHandle picture);
int NeedsExpanding(PictureHandle picture);
int ExpandPicture(PictureHandle picture);
int ConvertToGrey(PictureHandle picture, int maximum);
int ReplaceColours(PictureHandle picture, const ColourPair* pairs, int count);
int ScaleChannels(PictureHandle picture, int red, int green, int blue);
int AdjustChannels(PictureHandle picture, int red, int green, int blue);
int ApplyLookupTables(PictureHandle picture, const std::uint8_t* red, const std::uint8_t* green,
                      const std::uint8_t* blue);
int RotatePicture(PictureHandle picture, int angleThousandths, ColourRef fill);
int ResizePicture(PictureHandle picture, int width, int height);
// Gives the picture the Exif block of the file at `sourcePath`, made for the picture's present
// size with what `keep` (an ExifKeep) keeps; the JPEG, PNG, WebP and AVIF files saved from it
// then carry that block. 1 when the picture has one now, 0 otherwise.
int KeepSourceExif(PictureHandle picture, const char* sourcePath, int keep);
int SaveBmp(const char* path, PictureHandle picture);
int SaveJpeg(const char* path, PictureHandle picture, int quality, int progressive);
// As SaveJpeg, at the highest quality up to `quality` whose file takes at most `maxBytes`, or at
// the lowest quality when none does: kWithinCap, kOverCap, or 0 when nothing was written. The
// same for SaveWebpWithin (lossy) and SaveAvifWithin.
inline constexpr int kWithinCap = 1;
inline constexpr int kOverCap = 2;
int SaveJpegWithin(const char* path, PictureHandle picture, int quality, int progressive,
                   std::uint64_t maxBytes);
int SavePng(const char* path, PictureHandle picture, const PngOptions* options);
int SaveGif(const char* path, PictureHandle picture, const GifOptions* options);
int SaveAnimatedGif(const char* path, const AnimationFrame* frames, int count, int reserved);
// WebP at `quality` (0-100), or lossless when `lossless` is non-zero; 0 for a picture wider or
// higher than the format's 16383 pixels.
int SaveWebp(const char* path, PictureHandle picture, int quality, int lossless);
// AVIF at `quality` (0-100) and the AV1 encoder's `speed` (0 slowest and smallest to 9 fastest).
int SaveAvif(const char* path, PictureHandle picture, int quality, int speed);
int SaveWebpWithin(const char* path, PictureHandle picture, int quality, std::uint64_t maxBytes);
int SaveAvifWithin(const char* path, PictureHandle picture, int quality, int speed,
                   std::uint64_t maxBytes);
// JPEG XL at `quality` (0-100) and the encoder's `effort` (1 fastest to 9 smallest), or
// lossless when `lossless` is non-zero.
int SaveJxl(const char* path, PictureHandle picture, int quality, int effort, int lossless);
// The JPEG file at `jpegPath` recompressed as JPEG XL without loss, so that the JPEG can be
// rebuilt from it byte for byte; its Exif is first made what `exifKeep` (an ExifKeep) keeps of
// it, the pixels untouched. 0 for a JPEG that cannot be recompressed so (arithmetic coding
// among them) or whose Exif turns it: the caller then converts its pixels instead.
int SaveJxlFromJpeg(const char* path, const char* jpegPath, int exifKeep);
