#include "engine/colour_numbers.h"

#include <atomic>
#include <iterator>

ColourRef ColourByNumber(int number) {
  static constexpr ColourRef kColours[] = {
      MakeColour(255, 255, 255), MakeColour(0, 0, 0),   MakeColour(255, 0, 255),
      MakeColour(255, 0, 0),     MakeColour(0, 255, 0), MakeColour(0, 0, 255),
  };
  // Read and set by the conversions of a run's workers at once.
  static std::atomic<ColourRef> previous = MakeColour(0, 0, 0);
  if (number >= 1 && number <= static_cast<int>(std::size(kColours))) {
    previous.store(kColours[number - 1], std::memory_order_relaxed);
  }
  return previous.load(std::memory_order_relaxed);
}
