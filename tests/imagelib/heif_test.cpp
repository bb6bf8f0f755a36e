// HEIC and AVIF: read as ImageMagick reads them, told apart by their brands, turned as the file
// says, written at the quality asked for, and refused when their boxes lie.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <libheif/heif.h>
#include <libheif/heif_sequences.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "imagelib/codec_support.h"
#include "imagelib/heif_boxes.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "tests/imagelib/codec_test_support.h"
#include "tests/imagelib/heif_file_builder.h"
#include "tests/imagelib/test_pictures.h"

namespace {

TEST(HeifTest, PhotosAndPicturesWithAlphaLoadAsImageMagickReadsThem) {
  codectest::TempFolder folder;
  struct Case {
    const char* file;
    const char* arguments;
    int kind;
  };
  for (const Case& c :
       {Case{"photo.heic", "-quality 90", kIdentifiedHeic},
        Case{"alpha.avif", "-alpha set -channel A -fx 'i/w' -quality 90", kIdentifiedAvif}}) {
    const std::string path = folder.File(c.file);
    ASSERT_TRUE(codectest::Run("/usr/bin/convert rose: " + std::string(c.arguments) + " " +
                               codectest::Quoted(path)));
    EXPECT_EQ(IdentifyPictureFile(path.c_str(), 0), c.kind) << c.file;
    ScopedPicture picture(LoadPicture(path.c_str()));
    ASSERT_TRUE(picture) << c.file;
    const codectest::RgbPicture ours = codectest::RgbOf(picture.Get());
    const codectest::RgbPicture reference = *codectest::ReadWithImageMagick(path);
    // The two readers upsample the chroma planes differently: alike on the whole, not exact
    // at sharp edges.
    EXPECT_LE(codectest::MeanDifference(ours, reference), 1.5) << c.file;
    EXPECT_LE(codectest::LargestDifference(ours, reference), 40) << c.file;
  }
}

std::vector<std::uint8_t> FileTypeBox(const std::string& brands, std::uint32_t size) {
  std::vector<std::uint8_t> box = {0, 0, 0, static_cast<std::uint8_t>(size)};
  for (char c : "ftyp" + brands) box.push_back(static_cast<std::uint8_t>(c));
  return box;
}

TEST(HeifTest, TheFileTypeBoxTellsHeicFromAvifAndVideosFromPictures) {
  struct Case {
    std::string brands;  // major, version, compatible ones
    std::uint32_t boxSize;
    int kind;
  } cases[] = {
      {std::string("avif\0\0\0\0mif1miaf", 16), 24, kIdentifiedAvif},
      {std::string("heic\0\0\0\0mif1heic", 16), 24, kIdentifiedHeic},
      {std::string("mif1\0\0\0\0avifmiaf", 16), 24, kIdentifiedAvif},
      {std::string("mif1\0\0\0\0heicmiaf", 16), 24, kIdentifiedHeic},
      {std::string("msf1\0\0\0\0", 8), 16, kIdentifiedHeic},
      {std::string("isom\0\0\0\0isomavc1", 16), 24, kIdentifiedNone},  // an MP4 video
      // A brand beyond the box's end is not one of its brands.
      {std::string("isom\0\0\0\0mp42avif", 16), 20, kIdentifiedNone},
      {std::string("ftyp", 4), 8, kIdentifiedNone},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> box = FileTypeBox(c.brands, c.boxSize);
    EXPECT_EQ(imagelib::IdentifyPictureBytes(box), c.kind) << c.brands.substr(0, 4);
  }
}

// The file libheif writes for the context.
std::vector<std::uint8_t> Written(heif_context* context) {
  std::vector<std::uint8_t> bytes;
  heif_writer writer{};
  writer.writer_api_version = 1;
  writer.write = [](heif_context*, const void* data, size_t size, void* out) {
    auto* first = static_cast<const std::uint8_t*>(data);
    static_cast<std::vector<std::uint8_t>*>(out)->insert(
        static_cast<std::vector<std::uint8_t>*>(out)->end(), first, first + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
  };
  heif_context_write(context, &writer, &bytes);
  return bytes;
}

// A 40x20 picture for libheif to encode, of the colours (0xRRGGBB) at each pixel.
heif_image* RgbImage(const std::function<std::uint32_t(int x, int y)>& colourAt) {
  heif_image* image = nullptr;
  heif_image_create(40, 20, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
  heif_image_add_plane(image, heif_channel_interleaved, 40, 20, 8);
  int stride = 0;
  std::uint8_t* rgb = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) {
      for (int channel = 0; channel < 3; ++channel) {
        rgb[y * stride + 3 * x + channel] =
            static_cast<std::uint8_t>(colourAt(x, y) >> (16 - 8 * channel));
      }
    }
  }
  return image;
}

// An AVIF of a 40x20 red picture with a blue left edge, stored with the turn a camera held
// upright would record, and with a colour profile when one is given.
std::vector<std::uint8_t> EncodedAvif(heif_orientation orientation,
                                      const std::vector<std::uint8_t>& profile = {}) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_context_get_encoder_for_format(context, heif_compression_AV1, &encoder);
  heif_encoder_set_lossy_quality(encoder, 90);
  heif_image* image = RgbImage([](int x, int) { return x < 10 ? 0x0000ff : 0xff0000; });
  if (!profile.empty()) {
    heif_image_set_raw_color_profile(image, "prof", profile.data(), profile.size());
  }
  heif_encoding_options* options = heif_encoding_options_alloc();
  options->image_orientation = orientation;
  heif_context_encode_image(context, image, encoder, options, nullptr);
  const std::vector<std::uint8_t> bytes = Written(context);
  heif_encoding_options_free(options);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return bytes;
}

TEST(HeifTest, APictureIsTurnedAsTheFileSays) {
  codectest::TempFolder folder;
  const std::string path = folder.File("turned.avif");
  codectest::WriteBytes(path, EncodedAvif(heif_orientation_rotate_90_cw));
  ScopedPicture picture(LoadPicture(path.c_str()));
  ASSERT_TRUE(picture);
  const codectest::RgbPicture rgb = codectest::RgbOf(picture.Get());
  ASSERT_EQ(rgb.width, 20);
  ASSERT_EQ(rgb.height, 40);
  // Turned a quarter clockwise, the blue left edge is the top.
  auto blueAt = [&](int x, int y) { return rgb.rgb[3 * (y * 20 + x) + 2]; };
  EXPECT_GT(blueAt(10, 2), 200);
  EXPECT_LT(blueAt(10, 37), 50);
}

// An RGB profile whose red primary is sRGB's blue and whose blue is sRGB's red.
std::vector<std::uint8_t> SwappedPrimariesProfile() {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{0.15, 0.06, 1.0}, {0.30, 0.60, 1.0}, {0.64, 0.33, 1.0}};
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  cmsToneCurve* curves[3] = {linear, linear, linear};
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<std::uint8_t> bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  cmsFreeToneCurve(linear);
  return bytes;
}

TEST(HeifTest, AnEmbeddedProfileOrDeclaredPrimariesBringTheColoursToSrgb) {
  codectest::TempFolder folder;
  const std::string path = folder.File("profile.avif");
  codectest::WriteBytes(path, EncodedAvif(heif_orientation_normal, SwappedPrimariesProfile()));
  ScopedPicture picture(LoadPicture(path.c_str()));
  ASSERT_TRUE(picture);
  const ColourRef stored = GetPixelColour(picture.Get(), 30, 10);  // red in the file's terms
  EXPECT_LT(RedOf(stored), 60);
  EXPECT_GT(BlueOf(stored), 200);

  // Display P3 declared by code points alone, by libavif's encoder, lossless: (200,100,50)
  // there is about (215,93,31) in sRGB.
  const std::string png = folder.File("p3.png");
  const std::string p3 = folder.File("p3.avif");
  ASSERT_TRUE(codectest::Run("/usr/bin/convert -size 8x8 xc:'rgb(200,100,50)' PNG24:" +
                             codectest::Quoted(png)));
  ASSERT_TRUE(codectest::Run("/usr/bin/avifenc -l --cicp 12/13/0 " + codectest::Quoted(png) + " " +
                             codectest::Quoted(p3) + " >/dev/null"));
  ScopedPicture wide(LoadPicture(p3.c_str()));
  ASSERT_TRUE(wide);
  const ColourRef colour = GetPixelColour(wide.Get(), 4, 4);
  EXPECT_NEAR(RedOf(colour), 215, 3);
  EXPECT_NEAR(GreenOf(colour), 93, 3);
  EXPECT_NEAR(BlueOf(colour), 31, 3);
}

TEST(HeifTest, AvifIsWrittenAtTheQualityAskedForAndTheSameEveryTime) {
  codectest::TempFolder folder;
  ScopedPicture photo = testpictures::Make24Bit(96, 64, testpictures::PhotoLike);
  std::vector<std::uint8_t> files[2];
  for (int quality : {20, 90}) {
    const std::string path = folder.File("q" + std::to_string(quality) + ".avif");
    ASSERT_EQ(SaveAvif(path.c_str(), photo.Get(), quality, 9), 1);
    files[quality > 50] = codectest::ReadBytes(path);
    EXPECT_EQ(IdentifyPictureFile(path.c_str(), 0), kIdentifiedAvif);
    const double difference = codectest::MeanDifference(codectest::RgbOf(photo.Get()),
                                                        *codectest::ReadWithImageMagick(path));
    EXPECT_LE(difference, quality > 50 ? 2.0 : 8.0) << quality;
  }
  EXPECT_LT(files[0].size(), files[1].size());
  const std::string again = folder.File("again.avif");
  ASSERT_EQ(SaveAvif(again.c_str(), photo.Get(), 90, 9), 1);
  EXPECT_EQ(codectest::ReadBytes(again), files[1]);
}

// The offset of the first `name` box in `bytes`, or 0.
std::size_t BoxAt(const std::vector<std::uint8_t>& bytes, const char* name) {
  auto at = std::search(bytes.begin(), bytes.end(), name, name + 4);
  return at == bytes.end() ? 0 : static_cast<std::size_t>(at - bytes.begin()) - 4;
}

TEST(HeifTest, CutFilesAndBoxesThatLieAreRefused) {
  codectest::TempFolder folder;
  const std::vector<std::uint8_t> sound = EncodedAvif(heif_orientation_normal);
  auto loads = [&](const std::vector<std::uint8_t>& bytes) {
    const std::string path = folder.File("lie.avif");
    codectest::WriteBytes(path, bytes);
    EXPECT_EQ(IdentifyPictureFile(path.c_str(), 0), kIdentifiedAvif);
    return static_cast<bool>(ScopedPicture(LoadPicture(path.c_str())));
  };
  ASSERT_TRUE(loads(sound));
  EXPECT_FALSE(loads({sound.begin(), sound.end() - 40}));
  // The picture's size box claims far more pixels than the file could hold: 16000x16000 is
  // within libheif's own limit, 60000x60000 beyond it.
  const std::size_t ispe = BoxAt(sound, "ispe");
  ASSERT_NE(ispe, 0u);
  for (std::uint8_t high : {0x3e, 0xea}) {
    std::vector<std::uint8_t> huge = sound;
    for (std::size_t side : {ispe + 12, ispe + 16}) {
      huge[side] = 0;
      huge[side + 1] = 0;
      huge[side + 2] = high;
      huge[side + 3] = 0x80;
    }
    EXPECT_FALSE(loads(huge)) << int{high};
  }
  // The metadata box claims to run far past the end of the file.
  std::vector<std::uint8_t> longMeta = sound;
  const std::size_t meta = BoxAt(sound, "meta");
  ASSERT_NE(meta, 0u);
  std::memcpy(longMeta.data() + meta, "\x7f\xff\xff\xff", 4);
  EXPECT_FALSE(loads(longMeta));
  EXPECT_EQ(imagelib::StoredPictureCount(), 0u);
}

// Files of the kinds that harmed libheif's decoding (Debian's advisories of December 2026) are
// refused by the reader's own checks before libheif decodes them: an item turned, mirrored or
// cropped twice, a grid or overlay claiming a huge canvas, an item holding many pictures, AV1
// units running past their item. Each is made from a sound file, which still loads.
using imagelib::HeifItemFault;

// What the reader's checks find in the file; the file loads when they find nothing, and is
// refused with a reason otherwise.
HeifItemFault FaultOf(const imagelib::Bytes& file) {
  ClearFailureReason();
  const bool loads = imagelib::DecodeHeif(file) != nullptr;
  const HeifItemFault fault = imagelib::HeifItemFaultOf(file);
  EXPECT_EQ(loads, fault == HeifItemFault::kNone);
  EXPECT_EQ(std::string(LastFailureReason()).empty(), loads);
  return fault;
}

TEST(HeifTest, KindsOfItemsThatHarmedDecodersAreRefusedBeforeDecoding) {
  const std::vector<std::uint8_t> small =
      codectest::ReadBytes(TRASTEL_SOURCE_DIR "/fuzz/seeds/small.heic");
  EXPECT_EQ(FaultOf(codectest::SmallHeic().Build()), HeifItemFault::kNone);
  {
    heiftest::HeifFileBuilder once = codectest::SmallHeic();
    // In the order the format asks: the crop, then the turn, then the mirroring.
    once.Item(once.Primary())
        .properties.insert(once.Item(once.Primary()).properties.end(),
                           {heiftest::Crop(40, 40), heiftest::Rotation(1), heiftest::Mirror(0)});
    EXPECT_EQ(FaultOf(once.Build()), HeifItemFault::kNone);
  }
  for (const imagelib::Bytes& transform :
       {heiftest::Rotation(1), heiftest::Mirror(1), heiftest::Crop(40, 40)}) {
    heiftest::HeifFileBuilder twice = codectest::SmallHeic();
    twice.Item(twice.Primary()).properties.push_back(transform);
    twice.Item(twice.Primary()).properties.push_back(transform);
    EXPECT_EQ(FaultOf(twice.Build()), HeifItemFault::kTwoTransformsOfAKind);
  }
  {
    heiftest::HeifFileBuilder huge = codectest::SmallHeic();
    huge.Item(huge.Primary()).data = heiftest::GridHeader(1, 1, 60000, 60000);
    EXPECT_EQ(FaultOf(huge.Build()), HeifItemFault::kCanvasTooLarge);
    // An overlay of the tile: four fill values, the canvas, then the tile's place.
    heiftest::HeifFileBuilder overlay = codectest::SmallHeic();
    imagelib::Bytes header = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x4e, 0x20, 0x4e, 0x20, 0, 0, 0, 0};
    const std::uint32_t canvas = overlay.Add("iovl", header, {heiftest::ImageSize(20000, 20000)});
    overlay.Reference("dimg", canvas, {overlay.First("hvc1").id});
    overlay.SetPrimary(canvas);
    EXPECT_EQ(FaultOf(overlay.Build()), HeifItemFault::kCanvasTooLarge);
  }
  for (int pictures : {8, 9}) {
    heiftest::HeifFileBuilder many = codectest::SmallHeic();
    heiftest::BuiltItem& tile = many.First("hvc1");
    const imagelib::Bytes one = tile.data;
    for (int i = 1; i < pictures; ++i) tile.data.insert(tile.data.end(), one.begin(), one.end());
    EXPECT_EQ(imagelib::HeifItemFaultOf(many.Build()),
              pictures > imagelib::kMostCodedPicturesPerItem ? HeifItemFault::kManyCodedPictures
                                                             : HeifItemFault::kNone);
  }
  {
    // Thousands of empty units after the picture: more than any still is cut into.
    heiftest::HeifFileBuilder units = codectest::SmallHeic();
    units.First("hvc1").data.resize(units.First("hvc1").data.size() + 4 * 5000, 0);
    EXPECT_EQ(FaultOf(units.Build()), HeifItemFault::kManyCodedPictures);
  }
  const std::vector<std::uint8_t> avif = EncodedAvif(heif_orientation_normal);
  for (int pictures : {1, 9}) {
    heiftest::HeifFileBuilder many = heiftest::HeifFileBuilder::From(avif);
    heiftest::BuiltItem& coded = many.First("av01");
    const imagelib::Bytes one = coded.data;
    for (int i = 1; i < pictures; ++i) coded.data.insert(coded.data.end(), one.begin(), one.end());
    EXPECT_EQ(FaultOf(many.Build("avif")),
              pictures == 1 ? HeifItemFault::kNone : HeifItemFault::kManyCodedPictures);
  }
  // A frame unit whose size runs 127 bytes past the item's end.
  heiftest::HeifFileBuilder cut = heiftest::HeifFileBuilder::From(avif);
  cut.First("av01").data.insert(cut.First("av01").data.end(), {0x32, 0x7f});
  EXPECT_EQ(FaultOf(cut.Build("avif")), HeifItemFault::kBrokenCodedData);
  heiftest::HeifFileBuilder twins = codectest::SmallHeic();
  twins.First("hvc1").id = twins.Primary();  // two items of one id
  EXPECT_EQ(FaultOf(twins.Build()), HeifItemFault::kUnreadable);
  EXPECT_EQ(imagelib::HeifItemFaultOf(std::vector<std::uint8_t>(small.begin(), small.begin() + 64)),
            HeifItemFault::kNoItems);
}

// A primary picture (or a tile of it) coded as a prediction from another item would decode as
// its residual alone, a grey picture: refused, as is one with an essential property that the
// decoding does not apply. Predictions among other items do not matter.
TEST(HeifTest, APrimaryPictureThatCannotBeDecodedOnItsOwnIsRefused) {
  auto withReference = [](bool fromTile, const std::string& type) {
    heiftest::HeifFileBuilder file = codectest::SmallHeic();
    heiftest::BuiltItem tile = file.First("hvc1");
    const std::uint32_t other = file.Add("hvc1", tile.data, tile.properties, true);
    file.Reference(type, fromTile ? tile.id : other, {fromTile ? other : tile.id});
    return file.Build("mif2");
  };
  EXPECT_EQ(FaultOf(withReference(true, "pred")), HeifItemFault::kPredictedPicture);
  EXPECT_EQ(FaultOf(withReference(false, "pred")), HeifItemFault::kNone);
  EXPECT_EQ(FaultOf(withReference(true, "base")), HeifItemFault::kNone);
  struct Case {
    std::vector<std::string> required;
    HeifItemFault fault;
  };
  for (const Case& c : {Case{{"pred"}, HeifItemFault::kPredictedPicture},
                        Case{{"dimg", "xprd"}, HeifItemFault::kUnhandledProperty},
                        Case{{"dimg"}, HeifItemFault::kNone}}) {
    heiftest::HeifFileBuilder file = codectest::SmallHeic();
    file.Item(file.Primary()).properties.push_back(heiftest::RequiredReferences(c.required));
    EXPECT_EQ(FaultOf(file.Build()), c.fault) << c.required.back();
  }
  for (bool essential : {false, true}) {
    heiftest::HeifFileBuilder file = codectest::SmallHeic();
    file.First("hvc1").properties.push_back(heiftest::Box("xscl", {0, 0, 0, 2}));
    if (essential) file.MarkEssential("xscl");
    EXPECT_EQ(FaultOf(file.Build()),
              essential ? HeifItemFault::kUnhandledProperty : HeifItemFault::kNone);
  }
}

// An AVIF sequence of red then blue 40x20 frames with no still picture, as some encoders write
// animations (libheif writes only the track).
std::vector<std::uint8_t> EncodedAvifSequence() {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_context_get_encoder_for_format(context, heif_compression_AV1, &encoder);
  heif_encoder_set_lossy_quality(encoder, 90);
  heif_sequence_encoding_options* options = heif_sequence_encoding_options_alloc();
  heif_track* track = nullptr;
  heif_context_add_visual_sequence_track(context, 40, 20, heif_track_type_image_sequence, nullptr,
                                         options, &track);
  for (std::uint32_t colour : {0xff0000, 0x0000ff}) {
    heif_image* frame = RgbImage([&](int, int) { return colour; });
    heif_image_set_duration(frame, 1);
    heif_track_encode_sequence_image(track, frame, encoder, options);
    heif_image_release(frame);
  }
  heif_track_encode_end_of_sequence(track, encoder);
  const std::vector<std::uint8_t> bytes = Written(context);
  heif_sequence_encoding_options_release(options);
  heif_track_release(track);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return bytes;
}

TEST(HeifTest, AnAvifSequenceGivesItsFirstFrame) {
  codectest::TempFolder folder;
  const std::string path = folder.File("frames.avifs");
  const std::vector<std::uint8_t> sequence = EncodedAvifSequence();
  codectest::WriteBytes(path, sequence);
  EXPECT_EQ(IdentifyPictureFile(path.c_str(), 0), kIdentifiedAvif);
  ScopedPicture picture(LoadPicture(path.c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(testpictures::SizeOf(picture.Get()), (testpictures::Size{40, 20}));
  const ColourRef colour = GetPixelColour(picture.Get(), 20, 10);
  EXPECT_GT(RedOf(colour), 200);
  EXPECT_LT(BlueOf(colour), 60);
  // Cut short, its frames' data is missing.
  ClearFailureReason();
  EXPECT_EQ(imagelib::DecodeHeif({sequence.begin(), sequence.end() - 100}), nullptr);
  EXPECT_STRNE(LastFailureReason(), "");
}

TEST(HeifTest, AGreyAvifOfLimitedRangeReadsBlackAndWhite) {
  codectest::TempFolder folder;
  const std::string png = folder.File("black-white.png");
  const std::string avif = folder.File("grey.avif");
  ASSERT_TRUE(codectest::Run("/usr/bin/convert -size 4x4 xc:black xc:white +append PNG24:" +
                             codectest::Quoted(png)));
  ASSERT_TRUE(codectest::Run("/usr/bin/avifenc -l -y 400 -r limited " + codectest::Quoted(png) +
                             " " + codectest::Quoted(avif) + " >/dev/null 2>&1"));
  ScopedPicture picture(LoadPicture(avif.c_str()));
  ASSERT_TRUE(picture);
  for (const auto& [x, level] : {std::pair{1, 0}, std::pair{6, 255}}) {
    const ColourRef colour = GetPixelColour(picture.Get(), x, 2);
    EXPECT_NEAR(RedOf(colour), level, 1);
    EXPECT_NEAR(GreenOf(colour), level, 1);
    EXPECT_NEAR(BlueOf(colour), level, 1);
  }
}

TEST(HeifTest, AvifAlphaIsWrittenExactlyAtAnyQuality) {
  auto picture = imagelib::MakePicture(48, 32, 24);
  imagelib::AddAlphaPlane(*picture, imagelib::AlphaUse::kKept);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 48; ++x) {
      picture->Row(y)[3 * x + 1] = static_cast<std::uint8_t>(5 * x);
      picture->AlphaRow(y)[x] = static_cast<std::uint8_t>(x < 20 ? 255 : (x * 37 + y * 91) % 256);
    }
  }
  const imagelib::Bytes alpha = picture->alpha;
  ScopedPicture stored(imagelib::StorePicture(std::move(picture)));
  codectest::TempFolder folder;
  const std::string path = folder.File("alpha.avif");
  ASSERT_EQ(SaveAvif(path.c_str(), stored.Get(), 20, 9), 1);
  const std::unique_ptr<imagelib::Picture> read =
      imagelib::DecodeHeif(codectest::ReadBytes(path), imagelib::AlphaUse::kKept);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->alpha, alpha);
}

// The fuzzer's HEIF seeds, its findings among them, load or are refused, and leave nothing
// behind (the sanitizer build checks for leaks).
TEST(HeifTest, TheFuzzersFilesLoadOrAreRefusedCleanly) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TRASTEL_SOURCE_DIR "/fuzz/seeds")) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".heic" && extension != ".avif") continue;
    ++files;
    const std::string path = entry.path().string();
    EXPECT_NE(IdentifyPictureFile(path.c_str(), 0), kIdentifiedNone) << path;
    ScopedPicture picture(LoadPicture(path.c_str()));
  }
  EXPECT_GE(files, 4);
  EXPECT_EQ(imagelib::StoredPictureCount(), 0u);
}

}  // namespace
