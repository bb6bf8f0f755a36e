# Tests of the pixel operations, depth conversion and quantisation.
trastel_add_test(imagelib_operation_tests
  colour_operations_test.cpp
  channel_adjustment_test.cpp
  depth_conversion_test.cpp
  geometry_test.cpp
  inverse_colour_map_test.cpp
)
