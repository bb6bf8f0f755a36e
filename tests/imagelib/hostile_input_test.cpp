// Damaged, truncated and hostile files are refused: no picture, no crash, no huge allocation.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>
#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "imagelib/codec_support.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "tests/imagelib/codec_test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  Put16(bytes, at, value & 0xffff);
  Put16(bytes, at + 2, value >> 16);
}
void PutBigEndian16(Bytes& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<std::uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<std::uint8_t>(value);
}
void PutBigEndian32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  PutBigEndian16(bytes, at, value >> 16);
  PutBigEndian16(bytes, at + 2, value & 0xffff);
}

// A BMP header of the given size, depth and coding with `dataBytes` zero bytes of pixels.
Bytes Bmp(std::int32_t width, std::int32_t height, int bitsPerPixel, int compression,
          std::size_t dataBytes) {
  Bytes bytes(54 + dataBytes);
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
  Put32(bytes, 10, 54);
  Put32(bytes, 14, 40);
  Put32(bytes, 18, static_cast<std::uint32_t>(width));
  Put32(bytes, 22, static_cast<std::uint32_t>(height));
  Put16(bytes, 26, 1);
  Put16(bytes, 28, static_cast<std::uint32_t>(bitsPerPixel));
  Put32(bytes, 30, static_cast<std::uint32_t>(compression));
  return bytes;
}

Bytes BmpWithRle(std::int32_t width, std::int32_t height, const Bytes& stream) {
  Bytes bytes = Bmp(width, height, 8, 1, 0);
  Put32(bytes, 10, 54 + 1024);
  bytes.resize(54 + 1024);
  bytes.insert(bytes.end(), stream.begin(), stream.end());
  return bytes;
}

// A 1x1 PNG written by the library, its header then claiming another size.
Bytes PngClaiming(std::uint32_t width, std::uint32_t height) {
  codectest::TempFolder folder;
  const std::string path = folder.File("small.png");
  auto picture = imagelib::MakePicture(1, 1, 24);
  ScopedPicture stored(imagelib::StorePicture(std::move(picture)));
  SavePng(path.c_str(), stored.Get(), nullptr);
  Bytes bytes = codectest::ReadBytes(path);
  PutBigEndian32(bytes, 16, width);
  PutBigEndian32(bytes, 20, height);
  PutBigEndian32(bytes, 29, static_cast<std::uint32_t>(crc32(0, bytes.data() + 12, 17)));
  return bytes;
}

// The smallest GIF: a 1x1 screen holding one 1x1 image.
Bytes Gif(std::uint16_t screenWidth, std::uint16_t screenHeight, std::uint16_t imageWidth,
          std::uint16_t imageHeight) {
  Bytes bytes = {'G',  'I', 'F',  '8', '9', 'a', 0,   0,   0,   0,
                 0x80, 0,   0,    0,   0,   0,   255, 255, 255,     // colours
                 0x2c, 0,   0,    0,   0,   0,   0,   0,   0,   0,  // image descriptor
                 2,    2,   0x44, 1,   0,   0x3b};
  Put16(bytes, 6, screenWidth);
  Put16(bytes, 8, screenHeight);
  Put16(bytes, 24, imageWidth);
  Put16(bytes, 26, imageHeight);
  return bytes;
}

// The same GIF with a comment of `size` bytes before its image, as padding.
Bytes GifWithComment(std::uint16_t screenWidth, std::uint16_t screenHeight, std::size_t size) {
  Bytes bytes = Gif(screenWidth, screenHeight, 1, 1);
  Bytes comment = {0x21, 0xfe};
  for (std::size_t left = size; left > 0;) {
    const std::size_t block = std::min<std::size_t>(left, 255);
    comment.push_back(static_cast<std::uint8_t>(block));
    comment.insert(comment.end(), block, 'c');
    left -= block;
  }
  comment.push_back(0);
  bytes.insert(bytes.begin() + 19, comment.begin(), comment.end());
  return bytes;
}

Bytes Testdata(const std::string& name) {
  return codectest::ReadBytes(std::string(TRASTEL_SHARED_TESTDATA) + "/" + name);
}

// The position of the first marker of the given kind.
std::size_t FindMarker(const Bytes& bytes, std::uint8_t marker) {
  for (std::size_t i = 2; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xff && bytes[i + 1] == marker) return i;
  }
  return bytes.size();
}

// testorig.jpg (or another conformance JPEG) with its frame header claiming another size.
Bytes JpegClaiming(std::uint16_t width, std::uint16_t height,
                   const char* name = "libjpeg-turbo/testorig.jpg") {
  Bytes bytes = Testdata(name);
  for (std::size_t i = 2; i + 9 < bytes.size(); ++i) {
    if (bytes[i] == 0xff && (bytes[i + 1] == 0xc0 || bytes[i + 1] == 0xc9)) {
      PutBigEndian16(bytes, i + 5, height);
      PutBigEndian16(bytes, i + 7, width);
      break;
    }
  }
  return bytes;
}

// The arithmetic-coded testimgari.jpg claiming 16384x16384, its scan cut to 200 bytes: the
// decoder would feed zeros for the rest of the giant picture.
Bytes ArithmeticJpegClaimingGiantSize() {
  Bytes bytes = JpegClaiming(16384, 16384, "libjpeg-turbo/testimgari.jpg");
  const std::size_t scan = FindMarker(bytes, 0xda);
  bytes.resize(scan + 2 + (bytes[scan + 2] << 8 | bytes[scan + 3]) + 200);
  bytes.insert(bytes.end(), {0xff, 0xd9});
  return bytes;
}

// A JPEG claiming 16000x16000 whose comment segments make the file big enough for that size.
Bytes PaddedJpegClaimingGiantSize() {
  Bytes bytes = JpegClaiming(16000, 16000);
  Bytes comment = {0xff, 0xfe, 0xff, 0xff};
  comment.resize(65537, 'c');
  for (int i = 0; i < 8; ++i) bytes.insert(bytes.begin() + 2, comment.begin(), comment.end());
  return bytes;
}

// A progressive JPEG of side x side black pixels whose last scan is repeated until it has
// `scans` scans.
Bytes JpegWithScans(int scans, int side = 8) {
  codectest::TempFolder folder;
  const std::string path = folder.File("progressive.jpg");
  auto picture = imagelib::MakePicture(side, side, 24);
  ScopedPicture stored(imagelib::StorePicture(std::move(picture)));
  SaveJpeg(path.c_str(), stored.Get(), 75, 1);
  Bytes bytes = codectest::ReadBytes(path);
  int written = 0;
  std::size_t lastScan = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xff && bytes[i + 1] == 0xda) {
      lastScan = i;
      ++written;
    }
  }
  const Bytes scan(bytes.begin() + static_cast<std::ptrdiff_t>(lastScan), bytes.end() - 2);
  Bytes result(bytes.begin(), bytes.end() - 2);
  for (; written < scans; ++written) result.insert(result.end(), scan.begin(), scan.end());
  result.insert(result.end(), {0xff, 0xd9});
  return result;
}

// A photograph-like 1024x1024 picture of noise as a JPEG of about 2 MB, its frame header then
// claiming 16000x16000: enough data to pass the check of the size against the data, which
// describes only the first rows of the claimed picture.
Bytes NoisyJpegClaimingGiantSize() {
  codectest::TempFolder folder;
  const std::string path = folder.File("noise.jpg");
  auto picture = imagelib::MakePicture(512, 512, 24);
  std::uint32_t random = 1;
  for (std::uint8_t& byte : picture->pixels) {
    random = random * 1103515245 + 12345;
    byte = static_cast<std::uint8_t>(random >> 24);
  }
  ScopedPicture stored(imagelib::StorePicture(std::move(picture)));
  SaveJpeg(path.c_str(), stored.Get(), 100, 0);
  Bytes bytes = codectest::ReadBytes(path);
  const std::size_t frame = FindMarker(bytes, 0xc0);
  PutBigEndian16(bytes, frame + 5, 16000);
  PutBigEndian16(bytes, frame + 7, 16000);
  return bytes;
}

// small.heic with `count` more pictures as thumbnails of its primary.
Bytes HeifWithThumbnails(int count) {
  heiftest::HeifFileBuilder file = codectest::SmallHeic();
  const heiftest::BuiltItem tile = file.First("hvc1");
  for (int i = 0; i < count; ++i) {
    file.Reference("thmb", file.Add("hvc1", tile.data, tile.properties, true), {file.Primary()});
  }
  return file.Build();
}

// A grid of rows x columns copies of small.heic's one 70x64 tile, claiming a canvas of the
// size; with a side given, the tiles claim to be squares of that side and hold four bytes.
Bytes HeifGrid(int rows, int columns, std::uint32_t width, std::uint32_t height,
               std::uint32_t tileSide = 0) {
  heiftest::BuiltItem tile = codectest::SmallHeic().First("hvc1");
  if (tileSide > 0) {
    tile.data.resize(4);
    for (Bytes& property : tile.properties) {
      if (std::string(property.begin() + 4, property.begin() + 8) == "ispe") {
        property = heiftest::ImageSize(tileSide, tileSide);
      }
    }
  }
  heiftest::HeifFileBuilder file;
  std::vector<std::uint32_t> tiles;
  for (int i = 0; i < rows * columns; ++i) {
    tiles.push_back(file.Add("hvc1", tile.data, tile.properties, true));
  }
  const std::uint32_t grid = file.Add("grid", heiftest::GridHeader(rows, columns, width, height),
                                      {heiftest::ImageSize(width, height)});
  file.Reference("dimg", grid, tiles);
  file.SetPrimary(grid);
  return file.Build();
}

// The picture chunk ("VP8 " or "VP8L", with its header) of a side x side grey WebP written by the
// library.
Bytes WebpPictureChunk(int side, bool lossless) {
  codectest::TempFolder folder;
  const std::string path = folder.File("grey.webp");
  ScopedPicture stored(imagelib::StorePicture(imagelib::MakePicture(side, side, 24)));
  SaveWebp(path.c_str(), stored.Get(), 75, lossless ? 1 : 0);
  const Bytes bytes = codectest::ReadBytes(path);
  return Bytes(bytes.begin() + 12, bytes.end());
}

void AppendChunk(Bytes& file, const char* fourCc, const Bytes& body) {
  file.insert(file.end(), fourCc, fourCc + 4);
  file.resize(file.size() + 4);
  Put32(file, file.size() - 4, static_cast<std::uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  if (body.size() % 2 != 0) file.push_back(0);
}

// A WebP with the extended header for a canvas of the given size, then `chunks`, then a
// chunk of `padding` bytes that no reader knows.
Bytes WebpOnCanvas(std::uint32_t width, std::uint32_t height, bool animated, const Bytes& chunks,
                   std::size_t padding = 0) {
  Bytes file = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'};
  Bytes header(11);  // 10 bytes, the last side written as 32 bits
  header[0] = animated ? 0x02 : 0;
  Put32(header, 4, width - 1);
  Put32(header, 7, height - 1);
  header.pop_back();
  AppendChunk(file, "VP8X", header);
  if (animated) AppendChunk(file, "ANIM", Bytes{255, 255, 255, 255, 0, 0});
  file.insert(file.end(), chunks.begin(), chunks.end());
  if (padding > 0) AppendChunk(file, "PADD", Bytes(padding));
  Put32(file, 4, static_cast<std::uint32_t>(file.size() - 8));
  return file;
}

// An animation of `frames` 1x1 frames at the canvas' corner.
Bytes WebpAnimation(std::uint32_t width, std::uint32_t height, int frames,
                    std::size_t padding = 0) {
  Bytes frame(16);
  frame[12] = 100;  // duration
  const Bytes picture = WebpPictureChunk(1, true);
  frame.insert(frame.end(), picture.begin(), picture.end());
  Bytes chunks;
  for (int i = 0; i < frames; ++i) AppendChunk(chunks, "ANMF", frame);
  return WebpOnCanvas(width, height, true, chunks, padding);
}

// A lossy 64x64 WebP padded to 70 KB whose picture header claims side x side.
Bytes WebpLossyClaiming(std::uint16_t side) {
  Bytes picture = WebpPictureChunk(64, false);
  Put16(picture, 14, side);
  Put16(picture, 16, side);
  return WebpOnCanvas(side, side, false, picture, 70000);
}

struct HostileFile {
  const char* name;
  std::function<Bytes()> make;
  bool explained = false;  // the refusal says why
};

class HostileFileTest : public testing::TestWithParam<HostileFile> {};

#ifdef _WIN32
long PeakMemoryKiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

double CpuSeconds() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  const auto ticks = [](const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;  // 100 ns ticks
}
#else
long PeakMemoryKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
#endif

// Loading the file fails within half a second of processor time and 64 MiB of extra memory.
// The sanitizers' builds run instrumented and map shadow memory for every large reservation,
// so they get four times the room.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kRefusalCpuSeconds = 2.0;
constexpr long kRefusalMemoryKiB = 256 * 1024;
#else
constexpr double kRefusalCpuSeconds = 0.5;
constexpr long kRefusalMemoryKiB = 64 * 1024;
#endif

// `refuses()` returns true, within those bounds.
void ExpectQuickLean(const std::function<bool()>& refuses) {
  const long peakBefore = PeakMemoryKiB();
  const double cpuBefore = CpuSeconds();
  EXPECT_TRUE(refuses());
  EXPECT_LT(CpuSeconds() - cpuBefore, kRefusalCpuSeconds);
  EXPECT_LT(PeakMemoryKiB() - peakBefore, kRefusalMemoryKiB);
}

void ExpectQuickLeanRefusal(const std::string& path) {
  ExpectQuickLean([&path] { return LoadPicture(path.c_str()) == 0u; });
}

TEST_P(HostileFileTest, IsRefusedQuicklyWithoutLargeAllocation) {
  const Bytes bytes = GetParam().make();
  codectest::TempFolder folder;
  const std::string path = folder.File("hostile");
  codectest::WriteBytes(path, bytes);
  ClearFailureReason();
  ExpectQuickLeanRefusal(path);
  if (GetParam().explained) {
    EXPECT_STRNE(LastFailureReason(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostileFileTest,
    testing::Values(
        HostileFile{"BmpPastPixelLimit", [] { return Bmp(100000, 100000, 24, 0, 16); }},
        HostileFile{"BmpWithoutItsPixels", [] { return Bmp(16000, 16000, 24, 0, 100); }},
        HostileFile{"BmpLargestNegativeHeight", [] { return Bmp(10, INT32_MIN, 24, 0, 100); }},
        HostileFile{"BmpZeroWidth", [] { return Bmp(0, 10, 24, 0, 100); }},
        HostileFile{"BmpRle8Huge",
                    [] {
                      return BmpWithRle(16000, 16000, {0, 1});
                    }},
        HostileFile{"BmpRle8WithoutEnd",
                    [] {
                      return BmpWithRle(4, 2, {4, 1, 0, 0, 4, 1});
                    }},
        HostileFile{"BmpRle8CutLiteral",
                    [] {
                      return BmpWithRle(4, 2, {0, 4, 1, 2});
                    }},
        HostileFile{"BmpRle4TopDown",
                    [] {
                      Bytes bytes = Bmp(4, -2, 4, 2, 8);
                      return bytes;
                    }},
        HostileFile{"Bmp64Bits", [] { return Bmp(2, 2, 64, 0, 64); }},
        HostileFile{"BmpHeaderOnly",
                    [] {
                      return Bytes{'B', 'M', 0, 0};
                    }},
        HostileFile{"PngPastPixelLimit", [] { return PngClaiming(0x7fffffff, 1); }},
        HostileFile{"PngWithoutItsPixels", [] { return PngClaiming(16000, 16000); }},
        HostileFile{"PngZeroSize", [] { return PngClaiming(0, 0); }},
        HostileFile{"PngTextChunkClaiming2GiB",
                    [] {
                      Bytes bytes = PngClaiming(1, 1);
                      const Bytes text = {0x7f, 0xff, 0xff, 0xff, 't', 'E', 'X', 't', 'a', 0};
                      bytes.insert(bytes.begin() + 33, text.begin(), text.end());
                      return bytes;
                    }},
        HostileFile{"JpegPastPixelLimit", [] { return JpegClaiming(65500, 65500); }},
        HostileFile{"JpegWithoutItsPixels", [] { return JpegClaiming(16000, 16000); }},
        HostileFile{"JpegOfTooManyScans", [] { return JpegWithScans(1001); }},
        HostileFile{"JpegOfTooManyLargeScans", [] { return JpegWithScans(1001, 4096); }},
        HostileFile{"JpegOfManyScansOverManyBlocks", [] { return JpegWithScans(100, 2048); }},
        HostileFile{"JpegArithmeticClaimingMoreThanItsData", ArithmeticJpegClaimingGiantSize},
        HostileFile{"JpegArithmeticDataEndingEarly",
                    [] { return JpegClaiming(4096, 4096, "libjpeg-turbo/testimgari.jpg"); }},
        HostileFile{"JpegArithmeticBadCode",
                    [] {
                      // Its data starting with bytes that decode into a coefficient past the
                      // last of a block.
                      Bytes bytes = Testdata("libjpeg-turbo/testimgari.jpg");
                      const std::size_t scan = FindMarker(bytes, 0xda);
                      const std::size_t data = scan + 2 + (bytes[scan + 2] << 8 | bytes[scan + 3]);
                      std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(data), 64, 0x80);
                      return bytes;
                    }},
        HostileFile{"JpegClaimingMoreRowsThanItsDataHolds", NoisyJpegClaimingGiantSize},
        HostileFile{"JpegPaddedPastTheDataCheck", PaddedJpegClaimingGiantSize},
        HostileFile{"GifScreenPastPixelLimit", [] { return Gif(65535, 65535, 1, 1); }},
        HostileFile{"GifImagePastPixelLimit", [] { return Gif(1, 1, 65535, 65535); }},
        HostileFile{"GifImageWithoutItsPixels", [] { return Gif(1, 1, 8000, 8000); }},
        HostileFile{"GifScreenFarLargerThanItsImage",
                    [] { return GifWithComment(8000, 8000, 40000); }},
        // Far more items than any photo holds, within the 5000 libheif was allowed.
        HostileFile{"HeifOfThousandsOfThumbnails", [] { return HeifWithThumbnails(4900); }, true},
        // 1.4 KB claiming 4000x4000: a 70x64 tile does not cover it.
        HostileFile{"HeifGridLargerThanItsTiles", [] { return HeifGrid(1, 1, 4000, 4000); }, true},
        HostileFile{"HeifGridOfTilesWithoutTheirData",
                    [] { return HeifGrid(2, 2, 8000, 8000, 4096); }, true},
        HostileFile{"WebpCanvasFarLargerThanItsPaddedFrame",
                    [] { return WebpAnimation(16383, 16383, 1, 70000); }, true},
        HostileFile{"WebpManyFramesOnAHugeCanvas",
                    [] { return WebpAnimation(16383, 16383, 100000); }, true},
        HostileFile{"WebpLossyClaimingMoreThanItsData", [] { return WebpLossyClaiming(16383); },
                    true},
        HostileFile{"WebpCountlessChunksBeforeItsPicture",
                    [] {
                      Bytes chunks(8 * 1000000);
                      for (std::size_t at = 0; at < chunks.size(); at += 8) chunks[at] = 'X';
                      const Bytes frame = WebpAnimation(1, 1, 1);
                      chunks.insert(chunks.end(), frame.begin() + 44, frame.end());
                      return WebpOnCanvas(1, 1, true, chunks);
                    },
                    true},
        HostileFile{"GifWithoutImage",
                    [] {
                      Bytes bytes = Gif(1, 1, 1, 1);
                      bytes.resize(19);
                      bytes.push_back(0x3b);
                      return bytes;
                    }}),
    [](const testing::TestParamInfo<HostileFile>& info) { return info.param.name; });

// A bare JPEG XL codestream claiming `width` x `height` and default metadata, ending there.
Bytes JxlClaiming(std::uint32_t width, std::uint32_t height) {
  Bytes bytes = {0xff, 0x0a};
  int used = 8;  // bits of the last byte
  const auto put = [&](std::uint32_t value, int bits) {
    for (int bit = 0; bit < bits; ++bit, ++used) {
      if (used == 8) {
        bytes.push_back(0);
        used = 0;
      }
      bytes.back() = static_cast<std::uint8_t>(bytes.back() | ((value >> bit) & 1) << used);
    }
  };
  put(0, 1);  // not a small picture
  put(3, 2);  // the height in 30 bits
  put(height - 1, 30);
  put(0, 3);  // no aspect ratio: the width follows
  put(3, 2);
  put(width - 1, 30);
  put(1, 1);  // all metadata default
  return bytes;
}

// JPEG XL headers claiming more pixels than the library holds or than a few bytes could, and
// files cut short, are refused with a reason: no picture is made for them.
TEST(HostileFileTest, JxlHugeClaimsAndCutFilesAreRefused) {
  std::vector<Bytes> files = {JxlClaiming(100000, 100000), JxlClaiming(16000, 16000)};
  codectest::TempFolder folder;
  const std::string source = folder.File("source.png");
  const std::string saved = folder.File("saved.jxl");
  ASSERT_TRUE(codectest::Run("/usr/bin/convert rose: -resize 400% " + codectest::Quoted(source)));
  ScopedPicture picture(LoadPicture(source.c_str()));
  ASSERT_EQ(SaveJxl(saved.c_str(), picture.Get(), 90, 3, 0), 1);
  const Bytes whole = codectest::ReadBytes(saved);
  ASSERT_NE(imagelib::DecodeJxl(whole), nullptr);
  for (const double part : {0.1, 0.5, 0.9}) {
    files.emplace_back(
        whole.begin(),
        whole.begin() + static_cast<std::ptrdiff_t>(static_cast<double>(whole.size()) * part));
  }
  for (const Bytes& file : files) {
    ClearFailureReason();
    ExpectQuickLean([&file] { return imagelib::DecodeJxl(file) == nullptr; });
    EXPECT_STRNE(LastFailureReason(), "") << file.size() << " bytes";
  }
}

TEST(HostileFileTest, TheFilesAreSoundApartFromTheirDefect) {
  // The same builders with honest values make loadable pictures, so the refusals above are
  // due to the defects alone.
  for (const Bytes& bytes :
       {Bmp(16, 16, 24, 0, 16 * 48), BmpWithRle(4, 2, {4, 1, 0, 0, 4, 1, 0, 1}), PngClaiming(1, 1),
        JpegClaiming(227, 149), JpegClaiming(227, 149, "libjpeg-turbo/testimgari.jpg"),
        JpegWithScans(900), JpegWithScans(20, 2048), Gif(1, 1, 1, 1), HeifWithThumbnails(1000),
        HeifGrid(1, 1, 70, 46), HeifGrid(2, 3, 200, 100), HeifGrid(4, 4, 260, 250),
        WebpAnimation(64, 64, 3), WebpLossyClaiming(64)}) {
    EXPECT_NE(imagelib::DecodePicture(bytes), nullptr);
  }
}

// Good pictures cut short inside their pixel data are refused, JPEGs also when the cut is
// closed with an end-of-image marker. (porsche.gif carries padding after its end, so it is not
// cut later than 80 %.)
TEST(HostileFileTest, TruncatedFilesAreRefused) {
  for (const char* name :
       {"bmpsuite/g/rgb24.bmp", "bmpsuite/g/pal8.bmp", "bmpsuite/g/pal4rle.bmp",
        "bmpsuite/g/pal8rle.bmp", "pngsuite/basn2c08.png", "pngsuite/basi6a16.png",
        "libjpeg-turbo/testorig.jpg", "libjpeg-turbo/testimgint.jpg", "giflib/porsche.gif",
        "giflib/treescap-interlaced.gif"}) {
    const Bytes whole = Testdata(name);
    ASSERT_NE(imagelib::DecodePicture(whole), nullptr) << name;
    for (const double part : {0.1, 0.5, 0.8}) {
      const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(
                                                         static_cast<double>(whole.size()) * part));
      EXPECT_EQ(imagelib::DecodePicture(cut), nullptr) << name << " cut at " << part;
      if (cut.size() < 3 || cut[0] != 0xff || cut[1] != 0xd8) continue;
      Bytes closed = cut;
      closed.insert(closed.end(), {0xff, 0xd9});
      EXPECT_EQ(imagelib::DecodePicture(closed), nullptr) << name << " closed at " << part;
    }
  }
}

#ifndef _WIN32  // Named pipes and devices in the file system are POSIX's.
// A named pipe or a device is refused at once, without waiting for a writer or reading endless
// data, and a file over 1 GiB is refused from its size without being read.
TEST(HostileFileTest, OnlyRegularFilesOfSensibleSizeAreRead) {
  using namespace std::chrono_literals;
  codectest::TempFolder folder;
  const std::string pipe = folder.File("pipe.bmp");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  // A reader stuck on the pipe is released by a writer each second, so that the time taken
  // fails the test instead of hanging it.
  std::promise<void> finished;
  std::thread releaser([&pipe, done = finished.get_future()] {
    while (done.wait_for(1s) == std::future_status::timeout) {
      const int writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) close(writer);
    }
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(IdentifyPictureFile(pipe.c_str(), 0), kIdentifiedNone);
  EXPECT_EQ(LoadPicture(pipe.c_str()), 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
  finished.set_value();
  releaser.join();

  ExpectQuickLeanRefusal("/dev/zero");
  const std::string huge = folder.File("huge.bmp");
  codectest::WriteBytes(huge, Bmp(16, 16, 24, 0, 16 * 48));
  std::filesystem::resize_file(huge, (std::uintmax_t{1} << 30) + 1);
  ExpectQuickLeanRefusal(huge);
}
#endif

TEST(HostileFileTest, IdentifiesByContentOnly) {
  codectest::TempFolder folder;
  struct Case {
    Bytes bytes;
    int kind;
  };
  const std::vector<Case> cases = {
      {{'B', 'M'}, kIdentifiedBmp},
      {{0xff, 0xd8, 0xff, 0xe0}, kIdentifiedJpeg},
      {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}, kIdentifiedPng},
      {{'G', 'I', 'F', '8', '7', 'a'}, kIdentifiedGif},
      {{'G', 'I', 'F', '8', '9', 'a', 1}, kIdentifiedGif},
      {{'G', 'I', 'F', '8', '8', 'a'}, kIdentifiedNone},
      {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a}, kIdentifiedNone},
      {{'B'}, kIdentifiedNone},
      {{}, kIdentifiedNone},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    // Names with misleading extensions: only the content counts.
    const std::string path = folder.File("case" + std::to_string(i) + ".png");
    codectest::WriteBytes(path, cases[i].bytes);
    EXPECT_EQ(IdentifyPictureFile(path.c_str(), 0), cases[i].kind) << "case " << i;
  }
  EXPECT_EQ(IdentifyPictureFile(folder.File("missing.bmp").c_str(), 0), kIdentifiedNone);
  EXPECT_EQ(IdentifyPictureFile(nullptr, 0), kIdentifiedNone);
  EXPECT_EQ(LoadPicture(folder.File("missing.bmp").c_str()), 0u);
}

}  // namespace
