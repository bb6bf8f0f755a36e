// The libraries the programs are linked with are those third_party/library-versions names, none
// below its floor: each library's version read from the library itself and, on Linux, the
// Debian package that holds the file the library was loaded from.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/imagelib/codec_test_support.h"

#ifdef _WIN32
#include <aom/aom_codec.h>
#include <jxl/decode.h>
#include <lcms2.h>
#include <libde265/de265.h>
#include <libheif/heif.h>
#include <png.h>
#include <webp/decode.h>
#include <zlib.h>
#else
#include <dlfcn.h>
#endif
// jpeglib.h needs <cstdio> before it; the jconfig.h it includes names the libjpeg-turbo release.
#include <gif_lib.h>
#include <jpeglib.h>

namespace {

struct Row {
  std::string library;
  std::string version;
  std::string floor;
};

#ifdef _WIN32
constexpr const char* kPlatform = "windows";
#else
constexpr const char* kPlatform = "linux";
#endif

std::vector<Row> TableRows() {
  std::ifstream table(TRASTEL_SOURCE_DIR "/third_party/library-versions");
  std::vector<Row> rows;
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Row row;
    std::string platform;
    fields >> row.library >> platform >> row.version >> row.floor;
    if (platform == kPlatform) rows.push_back(row);
  }
  return rows;
}

// dpkg's order of versions: [epoch:]upstream[-revision], each part compared as runs of
// non-digits (letters before other characters, '~' before everything, even the end) and numbers.
int CharacterOrder(char c) {
  if (std::isdigit(static_cast<unsigned char>(c))) return 0;
  if (std::isalpha(static_cast<unsigned char>(c))) return c;
  if (c == '~') return -1;
  return c != 0 ? c + 256 : 0;
}

int ComparePart(const std::string& left, const std::string& right) {
  const char* a = left.c_str();
  const char* b = right.c_str();
  auto digit = [](const char* c) { return std::isdigit(static_cast<unsigned char>(*c)) != 0; };
  while (*a != 0 || *b != 0) {
    while ((*a != 0 && !digit(a)) || (*b != 0 && !digit(b))) {
      const int difference = CharacterOrder(*a) - CharacterOrder(*b);
      if (difference != 0) return difference;
      if (*a != 0) ++a;
      if (*b != 0) ++b;
    }
    while (*a == '0') ++a;
    while (*b == '0') ++b;
    int first = 0;
    for (; digit(a) && digit(b); ++a, ++b) {
      if (first == 0) first = *a - *b;
    }
    if (digit(a)) return 1;
    if (digit(b)) return -1;
    if (first != 0) return first;
  }
  return 0;
}

struct DebianVersion {
  long epoch = 0;
  std::string upstream;
  std::string revision;
};

DebianVersion Parse(const std::string& text) {
  DebianVersion version;
  std::string rest = text;
  if (const auto colon = rest.find(':'); colon != std::string::npos) {
    version.epoch = std::stol(rest.substr(0, colon));
    rest = rest.substr(colon + 1);
  }
  if (const auto dash = rest.rfind('-'); dash != std::string::npos) {
    version.revision = rest.substr(dash + 1);
    rest = rest.substr(0, dash);
  }
  version.upstream = rest;
  return version;
}

int CompareVersions(const std::string& left, const std::string& right) {
  const DebianVersion a = Parse(left);
  const DebianVersion b = Parse(right);
  if (a.epoch != b.epoch) return a.epoch < b.epoch ? -1 : 1;
  if (const int upstream = ComparePart(a.upstream, b.upstream); upstream != 0) return upstream;
  return ComparePart(a.revision, b.revision);
}

// True when `upstream` is the release `release` ("1.2.13.dfsg" and "1.2.13+dfsg" are 1.2.13).
bool IsRelease(const std::string& upstream, const std::string& release) {
  return upstream.compare(0, release.size(), release) == 0 &&
         (upstream.size() == release.size() ||
          !std::isdigit(static_cast<unsigned char>(upstream[release.size()])));
}

std::string Dotted(unsigned major, unsigned minor, unsigned patch) {
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

#define TRASTEL_TEXT(x) #x
#define TRASTEL_EXPANDED_TEXT(x) TRASTEL_TEXT(x)

// A library as linked: the release its own version call (or, for those that have none, the
// header it was built with) gives; on Linux also the file it was loaded from.
struct Linked {
  std::string library;
  std::string release;
  std::string file;
};

// lcms2 numbers its releases as major * 1000 + minor * 10 + patch.
std::string LcmsRelease(int number) {
  const std::string release =
      std::to_string(number / 1000) + "." + std::to_string(number / 10 % 100);
  return number % 10 == 0 ? release : release + "." + std::to_string(number % 10);
}

std::string WebpRelease(int number) {
  return Dotted(number >> 16, number >> 8 & 255, number & 255);
}

// libjxl numbers its releases as major * 1000000 + minor * 1000 + patch.
std::string JxlRelease(unsigned number) {
  return Dotted(number / 1000000, number / 1000 % 1000, number % 1000);
}

#ifdef _WIN32
std::vector<Linked> LinkedLibraries() {
  std::string aom = aom_codec_version_str();
  if (!aom.empty() && aom[0] == 'v') aom.erase(0, 1);
  return {
      {"libheif", heif_get_version(), ""},
      {"libde265", de265_get_version(), ""},
      {"aom", aom, ""},
      {"libjxl", JxlRelease(JxlDecoderVersion()), ""},
      {"libwebp", WebpRelease(WebPGetDecoderVersion()), ""},
      {"lcms2", LcmsRelease(cmsGetEncodedCMMversion()), ""},
      {"giflib", Dotted(GIFLIB_MAJOR, GIFLIB_MINOR, GIFLIB_RELEASE), ""},
      {"libpng", png_get_libpng_ver(nullptr), ""},
      {"libjpeg-turbo", TRASTEL_EXPANDED_TEXT(LIBJPEG_TURBO_VERSION), ""},
      {"zlib", zlibVersion(), ""},
  };
}
#else
// A library's function as the dynamic linker resolved it for the program, and the file that
// holds it; libde265 and aom come in through libheif.
struct Resolved {
  void* symbol = nullptr;
  std::string file;
};
Resolved Resolve(const char* name) {
  Resolved resolved{dlsym(RTLD_DEFAULT, name), ""};
  Dl_info info{};
  if (resolved.symbol != nullptr && dladdr(resolved.symbol, &info) != 0 && info.dli_fname) {
    resolved.file = info.dli_fname;
  }
  return resolved;
}

template <typename Result, typename... Arguments>
Result Call(const Resolved& resolved, Arguments... arguments) {
  if (resolved.symbol == nullptr) return Result{};
  return reinterpret_cast<Result (*)(Arguments...)>(resolved.symbol)(arguments...);
}

std::vector<Linked> LinkedLibraries() {
  const Resolved heif = Resolve("heif_get_version");
  const Resolved de265 = Resolve("de265_get_version");
  const Resolved aom = Resolve("aom_codec_version_str");
  const Resolved jxl = Resolve("JxlDecoderVersion");
  const Resolved webp = Resolve("WebPGetDecoderVersion");
  const Resolved lcms = Resolve("cmsGetEncodedCMMversion");
  const Resolved gif = Resolve("DGifOpen");
  const Resolved png = Resolve("png_get_libpng_ver");
  const Resolved jpeg = Resolve("jpeg_CreateDecompress");
  const Resolved zlib = Resolve("zlibVersion");
  std::string aomRelease = Call<const char*>(aom) ? Call<const char*>(aom) : "";
  if (!aomRelease.empty() && aomRelease[0] == 'v') aomRelease.erase(0, 1);
  auto text = [](const char* version) { return std::string(version ? version : ""); };
  return {
      {"libheif", text(Call<const char*>(heif)), heif.file},
      {"libde265", text(Call<const char*>(de265)), de265.file},
      {"aom", aomRelease, aom.file},
      {"libjxl", JxlRelease(Call<std::uint32_t>(jxl)), jxl.file},
      {"libwebp", WebpRelease(Call<int>(webp)), webp.file},
      {"lcms2", LcmsRelease(Call<int>(lcms)), lcms.file},
      {"giflib", Dotted(GIFLIB_MAJOR, GIFLIB_MINOR, GIFLIB_RELEASE), gif.file},
      {"libpng", text(Call<const char*>(png, static_cast<const void*>(nullptr))), png.file},
      {"libjpeg-turbo", TRASTEL_EXPANDED_TEXT(LIBJPEG_TURBO_VERSION), jpeg.file},
      {"zlib", text(Call<const char*>(zlib)), zlib.file},
  };
}

// The version of the installed Debian package that holds `file`; empty when none does. Its
// real path is asked for, and on a merged /usr the path without /usr, under which some
// packages still list their files.
std::string PackageVersionOf(const std::string& file) {
  const std::string real = std::filesystem::canonical(file).string();
  for (const std::string& path : {real, real.rfind("/usr/", 0) == 0 ? real.substr(4) : real}) {
    const std::optional<std::string> owner =
        codectest::Run("dpkg-query -S " + codectest::Quoted(path) + " 2>/dev/null");
    if (!owner || owner->find(": ") == std::string::npos) continue;
    const std::string package = owner->substr(0, owner->find(": "));  // "name:arch"
    return codectest::Run("dpkg-query -W -f='${Version}' " + codectest::Quoted(package))
        .value_or("");
  }
  return "";
}
#endif

TEST(LibraryVersionsTest, VersionOrderIsDpkgs) {
  EXPECT_LT(CompareVersions("1.0.11-1+deb12u3", "1.0.11-1+deb12u4"), 0);
  EXPECT_LT(CompareVersions("1.2.4-0.2", "1.2.4-0.2+deb12u1"), 0);
  EXPECT_LT(CompareVersions("1.9.0", "1.23.1"), 0);
  EXPECT_LT(CompareVersions("2.1.5-2", "1:2.1.5-2"), 0);
  EXPECT_LT(CompareVersions("1.3~rc1", "1.3"), 0);
  EXPECT_GT(CompareVersions("1.6.58", "1.6.57"), 0);
  EXPECT_EQ(CompareVersions("1.23.1", "1.23.1"), 0);
}

TEST(LibraryVersionsTest, EveryLinkedLibraryIsTheTablesAndAboveItsFloor) {
  const std::vector<Row> rows = TableRows();
  const std::vector<Linked> linked = LinkedLibraries();
  ASSERT_EQ(rows.size(), linked.size()) << "a library linked but not in the table, or gone";
  for (const Linked& library : linked) {
    SCOPED_TRACE(library.library);
    const Row* row = nullptr;
    for (const Row& candidate : rows) {
      if (candidate.library == library.library) row = &candidate;
    }
    ASSERT_NE(row, nullptr);
    EXPECT_GE(CompareVersions(row->version, row->floor), 0);
    ASSERT_FALSE(library.release.empty());
    EXPECT_TRUE(IsRelease(Parse(row->version).upstream, library.release))
        << "linked " << library.release << ", the table says " << row->version;
#ifndef _WIN32
    // The Debian package of the loaded file, kept up to date by Debian, must not be below the
    // floor; a library of our own build is in no package.
    ASSERT_FALSE(library.file.empty());
    const std::string package = PackageVersionOf(library.file);
    if (!package.empty()) {
      EXPECT_GE(CompareVersions(package, row->floor), 0) << library.file << " is " << package;
      EXPECT_TRUE(IsRelease(Parse(package).upstream, library.release)) << package;
    } else {
      EXPECT_EQ(row->version, library.release) << library.file;
    }
#endif
  }
}

}  // namespace
