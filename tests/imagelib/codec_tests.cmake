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
  jxl_test.cpp
  library_versions_test.cpp
  reader_variants_test.cpp
  rle_test.cpp
)
# djxl and cjxl of the Linux build's libjxl are the JPEG XL tests' reference; the cross-built
# suite runs them as Linux programs too.
if(NOT TRASTEL_LINUX_LIBRARIES)
  execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/build-libraries linux
                  OUTPUT_VARIABLE TRASTEL_LINUX_LIBRARIES OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
endif()
target_compile_definitions(imagelib_codec_tests PRIVATE
  TRASTEL_JXL_TOOLS="${TRASTEL_LINUX_LIBRARIES}")
