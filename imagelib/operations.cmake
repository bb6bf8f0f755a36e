# Pixel operations, depth conversion and quantisation.
target_sources(trastel_core PRIVATE
  channel_adjustment.cpp
  colour_operations.cpp
  colour_quantiser.cpp
  crop.cpp
  depth_conversion.cpp
  inverse_colour_map.cpp
  palette_candidates.cpp
  operation_support.cpp
  picture_info.cpp
  resize.cpp
  rotate.cpp
)
