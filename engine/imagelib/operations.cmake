# Pixel operations, depth conversion and quantisation.
target_sources(trastel_core PRIVATE
)
