// JPEG XL encoding through libjxl: a picture at a quality (or lossless), with its alpha when
// it keeps one and its Exif block in the container's box for it; and a JPEG file recompressed
// without loss, so that the JPEG can be rebuilt from it byte for byte. One thread each: the
// batch runs one picture per core.
#include <algorithm>
#include <cstring>

#include "imagelib/codec_support.h"
#include "imagelib/exif_editing.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/failure_reason.h"
#include "imagelib/imagelib.h"
#include "imagelib/jpeg_markers.h"
#include "imagelib/jxl_support.h"
#include "imagelib/regular_file.h"

namespace imagelib {
namespace {

constexpr const char* kNotEncoded = "JPEG XL に変換できませんでした";

// The Exif box: the distance from its fifth byte to the TIFF header (none), then the TIFF data.
bool AddExifBox(JxlEncoder* encoder, ByteSpan exif) {
  if (exif.size() <= kExifHeader.size()) return true;
  const ByteSpan tiff = exif.subspan(kExifHeader.size());
  Bytes box(4 + tiff.size(), 0);
  std::memcpy(box.data() + 4, tiff.data(), tiff.size());
  return JxlEncoderUseBoxes(encoder) == JXL_ENC_SUCCESS &&
         JxlEncoderAddBox(encoder, "Exif", box.data(), box.size(), JXL_FALSE) == JXL_ENC_SUCCESS;
}

// The picture's rows as R, G, B (and alpha when it keeps one).
Bytes InterleavedRgb(const Picture& picture) {
  const std::size_t channels = picture.HasAlpha() ? 4 : 3;
  const std::size_t rowBytes = channels * static_cast<std::size_t>(picture.width);
  Bytes rgb(rowBytes * static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* out = rgb.data() + rowBytes * static_cast<std::size_t>(y);
    if (picture.HasAlpha()) {
      JoinAlphaRow(picture, y, out, true);
      continue;
    }
    const std::uint8_t* bgr = picture.Row(y);
    for (int x = 0; x < picture.width; ++x, bgr += 3, out += 3) {
      out[0] = bgr[2];
      out[1] = bgr[1];
      out[2] = bgr[0];
    }
  }
  return rgb;
}

bool AddPicture(JxlEncoder* encoder, const Picture& picture, int quality, int effort,
                bool lossless) {
  JxlBasicInfo info;
  JxlEncoderInitBasicInfo(&info);
  info.xsize = static_cast<std::uint32_t>(picture.width);
  info.ysize = static_cast<std::uint32_t>(picture.height);
  info.bits_per_sample = 8;
  info.num_color_channels = 3;
  info.uses_original_profile = lossless ? JXL_TRUE : JXL_FALSE;
  if (picture.HasAlpha()) {
    info.alpha_bits = 8;
    info.num_extra_channels = 1;
  }
  JxlColorEncoding srgb;
  JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
  if (JxlEncoderSetBasicInfo(encoder, &info) != JXL_ENC_SUCCESS ||
      JxlEncoderSetColorEncoding(encoder, &srgb) != JXL_ENC_SUCCESS) {
    return false;
  }
  JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder, nullptr);
  if (settings == nullptr ||
      JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT,
                                       std::clamp(effort, 1, 9)) != JXL_ENC_SUCCESS) {
    return false;
  }
  if (lossless ? JxlEncoderSetFrameLossless(settings, JXL_TRUE) != JXL_ENC_SUCCESS
               : JxlEncoderSetFrameDistance(settings,
                                            JxlEncoderDistanceFromQuality(static_cast<float>(
                                                std::clamp(quality, 0, 100)))) != JXL_ENC_SUCCESS) {
    return false;
  }
  const Bytes rgb = InterleavedRgb(picture);
  const JxlPixelFormat format{picture.HasAlpha() ? 4u : 3u, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  return JxlEncoderAddImageFrame(settings, &format, rgb.data(), rgb.size()) == JXL_ENC_SUCCESS;
}

// The file of everything given to the encoder; empty when it fails.
Bytes Finish(JxlEncoder* encoder) {
  JxlEncoderCloseInput(encoder);
  Bytes file(64 << 10);
  std::size_t used = 0;
  for (;;) {
    std::uint8_t* next = file.data() + used;
    std::size_t left = file.size() - used;
    const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder, &next, &left);
    used = file.size() - left;
    if (status == JXL_ENC_SUCCESS) break;
    if (status != JXL_ENC_NEED_MORE_OUTPUT) return {};
    file.resize(file.size() * 2);
  }
  file.resize(used);
  return file;
}

bool Write(const char* path, const Bytes& file) {
  if (file.empty()) return Refuse(kNotEncoded);
  return WriteFileAtomically(path, file);
}

// The JPEG's bytes with its Exif as `keep` keeps it: the same bytes when everything is kept.
Bytes WithKeptExif(Bytes jpeg, ExifKeep keep) {
  if (keep == ExifKeep::kAll) return jpeg;
  const Bytes exif = ExifBlockOf(jpeg);
  if (exif.empty()) return jpeg;
  return JpegWithExifBlock(jpeg, ExifForSamePixels(exif, keep));
}

}  // namespace
}  // namespace imagelib

int SaveJxl(const char* path, PictureHandle handle, int quality, int effort, int lossless) {
  imagelib::Picture scratch;
  const imagelib::Picture* picture = imagelib::StoredBgr24(handle, scratch);
  if (picture == nullptr) return 0;
  const imagelib::JxlEncoderPtr encoder(JxlEncoderCreate(nullptr));
  if (!encoder || !imagelib::AddExifBox(encoder.get(), imagelib::StoredExif(handle)) ||
      !imagelib::AddPicture(encoder.get(), *picture, quality, effort, lossless != 0)) {
    imagelib::Refuse(imagelib::kNotEncoded);
    return 0;
  }
  return imagelib::Write(path, imagelib::Finish(encoder.get())) ? 1 : 0;
}

int SaveJxlFromJpeg(const char* path, const char* jpegPath, int exifKeep) {
  auto source = imagelib::RegularFile::Open(jpegPath);
  imagelib::Bytes jpeg;
  if (!source || source->Size() > imagelib::kLargestFile ||
      !source->ReadMore(jpeg, static_cast<std::size_t>(source->Size()))) {
    imagelib::Refuse("元の JPEG ファイルが読めません");
    return 0;
  }
  const auto layout = imagelib::WalkJpegMarkers(jpeg);
  if (!layout) {
    imagelib::Refuse("JPEG ファイルではないため JPEG XL に作り直せません");
    return 0;
  }
  if (layout->arithmetic) {
    imagelib::Refuse("算術符号化の JPEG は JPEG XL に作り直せません");
    return 0;
  }
  // A turned JPEG is written upright from its pixels: the orientation would go with its Exif,
  // which ExifKeep may leave out.
  if (imagelib::ExifOrientation(imagelib::ExifBlockOf(jpeg)) != 1) {
    imagelib::Refuse("向きを変える JPEG は JPEG XL にそのまま作り直せません");
    return 0;
  }
  jpeg = imagelib::WithKeptExif(std::move(jpeg), static_cast<imagelib::ExifKeep>(exifKeep));
  const imagelib::JxlEncoderPtr encoder(JxlEncoderCreate(nullptr));
  JxlEncoderFrameSettings* settings =
      encoder ? JxlEncoderFrameSettingsCreate(encoder.get(), nullptr) : nullptr;
  if (settings == nullptr ||
      JxlEncoderStoreJPEGMetadata(encoder.get(), JXL_TRUE) != JXL_ENC_SUCCESS ||
      JxlEncoderAddJPEGFrame(settings, jpeg.data(), jpeg.size()) != JXL_ENC_SUCCESS) {
    imagelib::Refuse("この JPEG は JPEG XL にそのまま作り直せません");
    return 0;
  }
  return imagelib::Write(path, imagelib::Finish(encoder.get())) ? 1 : 0;
}
