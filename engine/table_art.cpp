#include "engine/table_art.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include "app/show_message.h"
#include "ui/control_layer.h"

namespace {

// The page is written byte for byte as Windows text mode would store it: every line feed as
// CR LF. The title is in Shift_JIS, the charset the page declares.
constexpr std::string_view kHead =
    "<HTML><HEAD> \r\n <META http-equiv=\"Content-Style-Type\" content=\"text/css\"> \r\n"
    " <META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\"> \r\n";
// "<TITLE>ヴィンボトラステル２ for TableArt</TITLE>" in Shift_JIS.
constexpr std::string_view kTitle =
    "<TITLE>\x83\x94\x83\x42\x83\x93\x83\x7b\x83\x67\x83\x89\x83\x58\x83\x65\x83\x8b\x82\x51"
    " for TableArt</TITLE> \r\n <style type=\"text/css\"> \r\n";
constexpr std::string_view kStyleStart = "<!-- \r\n td{ width:";
constexpr std::string_view kStyleHeight = "px;height:";
constexpr std::string_view kStyleEnd = "px;line-height:1px;font-size:1px; } \r\n --> \r\n";
constexpr std::string_view kTableStart =
    "</style> \r\n </head> \r\n <body> \r\n <table border=\"0\" cellpadding=\"0\" "
    "cellspacing=\"0\" summary=\"Table Art\"> \r\n";
constexpr std::string_view kRowStart = "<tr>";
constexpr std::string_view kRowEnd = "</tr> \r\n";
constexpr std::string_view kCellStart = "<td bgcolor=\"#";
constexpr std::string_view kCellEnd = "\"></td> \r\n";
constexpr std::string_view kPageEnd = "</TABLE> \r\n</HEAD><BODY></BODY></HTML>";

// Pages reach tens of megabytes; a large buffer keeps the many small writes cheap.
constexpr std::size_t kBufferBytes = 1 << 16;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void Write(std::FILE* file, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), file);
}

// The colour as six lower-case hexadecimal digits, red first: RGB(255,128,0) is "ff8000".
void WriteColourDigits(std::FILE* file, ColourRef colour) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const int channels[3] = {RedOf(colour), GreenOf(colour), BlueOf(colour)};
  char text[6];
  for (int i = 0; i < 3; ++i) {
    text[2 * i] = kDigits[channels[i] >> 4];
    text[2 * i + 1] = kDigits[channels[i] & 15];
  }
  std::fwrite(text, 1, sizeof text, file);
}

}  // namespace

int WriteTableArt(PictureHandle picture, const char* path, int columns, int rows, int cellSize) {
  File file(std::fopen(path, "wb"));
  if (!file) {
    ShowMessage("[%s]\nはオープンできませんでした！", path);
    return 0;
  }
  std::setvbuf(file.get(), nullptr, _IOFBF, kBufferBytes);
  // Pixels are read one by one; a run-length compressed picture is expanded once up front
  // rather than for every pixel. Its colours stay the same.
  if (NeedsExpanding(picture) != 0) ExpandPicture(picture);
  Write(file.get(), kHead);
  Write(file.get(), kTitle);
  Write(file.get(), kStyleStart);
  std::fprintf(file.get(), "%d", cellSize);
  Write(file.get(), kStyleHeight);
  std::fprintf(file.get(), "%d", cellSize);
  Write(file.get(), kStyleEnd);
  Write(file.get(), kTableStart);
  for (int y = 0; y < rows; ++y) {
    pumpOneMessage();
    Write(file.get(), kRowStart);
    for (int x = 0; x < columns; ++x) {
      Write(file.get(), kCellStart);
      WriteColourDigits(file.get(), GetPixelColour(picture, x, y));
      Write(file.get(), kCellEnd);
    }
    Write(file.get(), kRowEnd);
  }
  Write(file.get(), kPageEnd);
  // A page cut short by a full disk is reported, and not left behind as if it were complete
  // (a device such as /dev/full is of course left alone).
  bool written = std::ferror(file.get()) == 0;
  written = std::fclose(file.release()) == 0 && written;
  if (written) return 1;
  std::error_code ignored;
  if (std::filesystem::is_regular_file(path, ignored)) std::filesystem::remove(path, ignored);
  return 0;
}
