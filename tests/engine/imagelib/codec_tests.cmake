# Tests of the decoders, encoders and run-length coding.
