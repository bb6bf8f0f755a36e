# Decoders, encoders and run-length coding.
target_sources(trastel_core PRIVATE
  atomic_output.cpp
  bmp_reader.cpp
  bmp_writer.cpp
  gif_reader.cpp
  gif_writer.cpp
  jpeg_codec.cpp
  load_picture.cpp
  png_codec.cpp
  rle8.cpp
  rle_picture.cpp
)
