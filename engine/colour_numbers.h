// The numbered colours offered for rotation blanks and GIF transparency.
#pragma once

#include "imagelib/imagelib.h"

// 1 white, 2 black, 3 pink, 4 red, 5 green, 6 blue. Any other number yields the colour of the
// previous call (black before the first call), so callers may pass 0 for "no colour".
ColourRef ColourByNumber(int number);
