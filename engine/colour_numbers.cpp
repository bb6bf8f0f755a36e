#include "engine/colour_numbers.h"

#include <iterator>

ColourRef ColourByNumber(int number) {
  static constexpr ColourRef kColours[] = {
      MakeColour(255, 255, 255), MakeColour(0, 0, 0),   MakeColour(255, 0, 255),
      MakeColour(255, 0, 0),     MakeColour(0, 255, 0), MakeColour(0, 0, 255),
  };
  static ColourRef previous = MakeColour(0, 0, 0);
  if (number >= 1 && number <= static_cast<int>(std::size(kColours))) {
    previous = kColours[number - 1];
  }
  return previous;
}
