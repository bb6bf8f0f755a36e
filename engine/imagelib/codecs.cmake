# Decoders, encoders and run-length coding.
target_sources(trastel_core PRIVATE
)
