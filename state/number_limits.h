// The largest values the number boxes take. A box lets the user type no more digits than its
// largest value has, so that a box never scrolls out of sight what was typed.
#pragma once

// The width and height boxes and every crop box take values up to this.
inline constexpr int kLargestExtent = 2500;

// The digits the user may type into number box `controlId` of the option panels.
int TypedDigitsOf(int controlId);
