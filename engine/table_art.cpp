#include "engine/table_art.h"

#include <string>
#include <string_view>

#include "base/long_work.h"
#include "base/show_message.h"
#include "imagelib/atomic_output.h"

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

// Pages reach tens of megabytes; the many small pieces are gathered and written in large blocks.
constexpr std::size_t kBlockBytes = 1 << 16;

// The page's bytes on their way to a temporary file that replaces the target only when complete.
class PageWriter {
 public:
  explicit PageWriter(const char* path) : file_(path) { block_.reserve(2 * kBlockBytes); }

  bool IsOpen() const { return file_.IsOpen(); }

  void Write(std::string_view text) {
    block_ += text;
    if (block_.size() >= kBlockBytes) Flush();
  }

  // The colour as six lower-case hexadecimal digits, red first: RGB(255,128,0) is "ff8000".
  void WriteColourDigits(ColourRef colour) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int channel : {RedOf(colour), GreenOf(colour), BlueOf(colour)}) {
      block_ += kDigits[channel >> 4];
      block_ += kDigits[channel & 15];
    }
  }

  // True when every byte was written and the page now stands under its name.
  bool Finish() {
    Flush();
    return !failed_ && file_.Commit();
  }

 private:
  void Flush() {
    failed_ = failed_ || !file_.Write(block_);
    block_.clear();
  }

  imagelib::AtomicOutput file_;
  std::string block_;
  bool failed_ = false;
};

}  // namespace

int WriteTableArt(PictureHandle picture, const char* path, int columns, int rows, int cellSize) {
  PageWriter page(path);
  if (!page.IsOpen()) {
    ShowMessage("[%s]\nはオープンできませんでした！", path);
    return 0;
  }
  // Pixels are read one by one; a run-length compressed picture is expanded once up front
  // rather than for every pixel. Its colours stay the same.
  if (NeedsExpanding(picture) != 0) ExpandPicture(picture);
  const std::string size = std::to_string(cellSize);
  for (std::string_view piece : {kHead, kTitle, kStyleStart, std::string_view(size), kStyleHeight,
                                 std::string_view(size), kStyleEnd, kTableStart}) {
    page.Write(piece);
  }
  for (int y = 0; y < rows; ++y) {
    // A trial conversion on the window's thread keeps the window alive.
    TakeTurn();
    page.Write(kRowStart);
    for (int x = 0; x < columns; ++x) {
      page.Write(kCellStart);
      page.WriteColourDigits(GetPixelColour(picture, x, y));
      page.Write(kCellEnd);
    }
    page.Write(kRowEnd);
  }
  page.Write(kPageEnd);
  // A page cut short by a full disk is reported; the page that was there before stays.
  return page.Finish() ? 1 : 0;
}
