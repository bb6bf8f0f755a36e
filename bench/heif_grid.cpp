// Puts a HEIC grid together from tiles, as phones store their photos (an iPhone's 12 megapixels
// as 8 x 6 tiles of 512 x 512, a 200-megapixel photo as 32 x 24):
//   heif_grid OUTPUT WIDTH HEIGHT COLUMNS ROWS TILE.heic...
// Each tile file holds one coded picture (its first HEVC item is taken); the tiles are used in
// order, and over again when there are fewer than COLUMNS x ROWS.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/imagelib/heif_file_builder.h"

int main(int argc, char** argv) {
  if (argc < 7) {
    std::fprintf(stderr, "usage: heif_grid OUTPUT WIDTH HEIGHT COLUMNS ROWS TILE.heic...\n");
    return 2;
  }
  const auto width = static_cast<std::uint32_t>(std::atoi(argv[2]));
  const auto height = static_cast<std::uint32_t>(std::atoi(argv[3]));
  const int columns = std::atoi(argv[4]);
  const int rows = std::atoi(argv[5]);
  std::vector<heiftest::BuiltItem> tiles;
  for (int i = 6; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const imagelib::Bytes file{std::istreambuf_iterator<char>(in), {}};
    heiftest::HeifFileBuilder tile = heiftest::HeifFileBuilder::From(file);
    try {
      tiles.push_back(tile.First("hvc1"));
    } catch (const std::exception& error) {
      std::fprintf(stderr, "heif_grid: %s: %s\n", argv[i], error.what());
      return 1;
    }
  }
  heiftest::HeifFileBuilder grid;
  std::vector<std::uint32_t> ids;
  for (int i = 0; i < columns * rows; ++i) {
    const heiftest::BuiltItem& tile = tiles[static_cast<std::size_t>(i) % tiles.size()];
    ids.push_back(grid.Add("hvc1", tile.data, tile.properties, true));
  }
  const std::uint32_t canvas = grid.Add("grid", heiftest::GridHeader(rows, columns, width, height),
                                        {heiftest::ImageSize(width, height)});
  grid.Reference("dimg", canvas, ids);
  grid.SetPrimary(canvas);
  const imagelib::Bytes file = grid.Build();
  std::ofstream(argv[1], std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return 0;
}
