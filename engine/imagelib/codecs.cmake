# Decoders, encoders and run-length coding.
target_sources(trastel_core PRIVATE
  alpha_plane.cpp
  atomic_output.cpp
  avif_writer.cpp
  bmp_reader.cpp
  bmp_writer.cpp
  colour_management.cpp
  exif_orientation.cpp
  gif_lzw.cpp
  gif_reader.cpp
  gif_writer.cpp
  heif_reader.cpp
  jpeg_data_end.cpp
  jpeg_markers.cpp
  jpeg_reader.cpp
  jpeg_writer.cpp
  load_picture.cpp
  png_layout.cpp
  png_reader.cpp
  png_writer.cpp
  regular_file.cpp
  rle8.cpp
  rle_picture.cpp
  webp_reader.cpp
  webp_writer.cpp
)
