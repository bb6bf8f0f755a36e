# Tests of the decoders, encoders and run-length coding.
trastel_add_test(imagelib_codec_tests
  codec_test_support.cpp
  codec_round_trip_test.cpp
  conformance_test.cpp
  exif_editing_test.cpp
  file_output_test.cpp
  gif_output_test.cpp
  heif_file_builder.cpp
  heif_test.cpp
  hostile_input_test.cpp
  library_versions_test.cpp
  reader_variants_test.cpp
  rle_test.cpp
)
