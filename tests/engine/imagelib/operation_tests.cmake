# Tests of the pixel operations, depth conversion and quantisation.
