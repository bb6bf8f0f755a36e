#include "engine/imagelib/colour_quantiser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <queue>

namespace imagelib {
namespace {

constexpr int kBinBits = 6;
constexpr int kBinShift = 8 - kBinBits;
constexpr int kKMeansRounds = 8;

// One occupied bin: its pixel count and the mean colour of its pixels.
struct Sample {
  double weight;
  std::array<double, 3> colour;  // red, green, blue
};

// Weighted sums over a run of samples, enough to give the run's mean and squared error.
struct Moments {
  double weight = 0;
  std::array<double, 3> sum{};
  double sumOfSquares = 0;

  void Add(const Sample& sample) {
    weight += sample.weight;
    for (int channel = 0; channel < 3; ++channel) {
      sum[channel] += sample.weight * sample.colour[channel];
      sumOfSquares += sample.weight * sample.colour[channel] * sample.colour[channel];
    }
  }
  Moments operator-(const Moments& other) const {
    Moments difference;
    difference.weight = weight - other.weight;
    for (int channel = 0; channel < 3; ++channel) {
      difference.sum[channel] = sum[channel] - other.sum[channel];
    }
    difference.sumOfSquares = sumOfSquares - other.sumOfSquares;
    return difference;
  }
  double SquaredError() const {
    if (weight <= 0) return 0;
    double squaredSum = sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2];
    return std::max(0.0, sumOfSquares - squaredSum / weight);
  }
  Rgb Mean() const {
    auto channel = [&](int index) {
      return std::clamp(static_cast<int>(std::lround(sum[index] / weight)), 0, 255);
    };
    return {channel(0), channel(1), channel(2)};
  }
};

// A box: the samples [begin, end) of the sample list, with their moments.
struct Box {
  std::size_t begin;
  std::size_t end;
  Moments moments;

  bool operator<(const Box& other) const {
    return moments.SquaredError() < other.moments.SquaredError();
  }
};

Moments MomentsOf(const std::vector<Sample>& samples, std::size_t begin, std::size_t end) {
  Moments moments;
  for (std::size_t i = begin; i < end; ++i) moments.Add(samples[i]);
  return moments;
}

// Splits a box along its widest-spread channel at the point that leaves the least squared
// error in the two halves. Returns the index where the second half begins.
std::size_t SplitBox(std::vector<Sample>& samples, const Box& box) {
  int axis = 0;
  double widest = -1;
  for (int channel = 0; channel < 3; ++channel) {
    double mean = box.moments.sum[channel] / box.moments.weight;
    double spread = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
      double offset = samples[i].colour[channel] - mean;
      spread += samples[i].weight * offset * offset;
    }
    if (spread > widest) {
      widest = spread;
      axis = channel;
    }
  }
  std::sort(samples.begin() + static_cast<std::ptrdiff_t>(box.begin),
            samples.begin() + static_cast<std::ptrdiff_t>(box.end),
            [axis](const Sample& a, const Sample& b) { return a.colour[axis] < b.colour[axis]; });
  Moments left;
  std::size_t bestSplit = box.begin + 1;
  double bestError = -1;
  for (std::size_t split = box.begin + 1; split < box.end; ++split) {
    left.Add(samples[split - 1]);
    double error = left.SquaredError() + (box.moments - left).SquaredError();
    if (bestError < 0 || error < bestError) {
      bestError = error;
      bestSplit = split;
    }
  }
  return bestSplit;
}

std::vector<Rgb> SplitIntoBoxes(std::vector<Sample>& samples, int maxColours) {
  std::priority_queue<Box> splittable;
  std::vector<Box> finished;
  splittable.push({0, samples.size(), MomentsOf(samples, 0, samples.size())});
  while (!splittable.empty() &&
         splittable.size() + finished.size() < static_cast<std::size_t>(maxColours)) {
    Box box = splittable.top();
    splittable.pop();
    std::size_t split = SplitBox(samples, box);
    for (Box half : {Box{box.begin, split, MomentsOf(samples, box.begin, split)},
                     Box{split, box.end, MomentsOf(samples, split, box.end)}}) {
      if (half.end - half.begin > 1 && half.moments.SquaredError() > 0) {
        splittable.push(half);
      } else {
        finished.push_back(half);
      }
    }
  }
  for (; !splittable.empty(); splittable.pop()) finished.push_back(splittable.top());
  std::vector<Rgb> palette;
  palette.reserve(finished.size());
  for (const Box& box : finished) palette.push_back(box.moments.Mean());
  return palette;
}

// Lloyd's k-means over the samples, starting from the box means.
void RefineByKMeans(const std::vector<Sample>& samples, std::vector<Rgb>& palette) {
  for (int round = 0; round < kKMeansRounds; ++round) {
    NearestColourFinder finder(palette);
    std::vector<Moments> clusters(palette.size());
    for (const Sample& sample : samples) {
      Rgb colour{static_cast<int>(std::lround(sample.colour[0])),
                 static_cast<int>(std::lround(sample.colour[1])),
                 static_cast<int>(std::lround(sample.colour[2]))};
      clusters[static_cast<std::size_t>(finder.Find(colour))].Add(sample);
    }
    bool changed = false;
    for (std::size_t i = 0; i < palette.size(); ++i) {
      if (clusters[i].weight <= 0) continue;
      Rgb mean = clusters[i].Mean();
      changed = changed || !(mean == palette[i]);
      palette[i] = mean;
    }
    if (!changed) break;
  }
}

}  // namespace

ColourQuantiser::ColourQuantiser() : bins_(std::size_t{1} << (3 * kBinBits)) {}

void ColourQuantiser::AddPixels(const std::uint8_t* bgr, int count, bool skipping,
                                std::uint32_t skipped) {
  for (int i = 0; i < count; ++i, bgr += 3) {
    std::uint32_t blue = bgr[0];
    std::uint32_t green = bgr[1];
    std::uint32_t red = bgr[2];
    if (skipping && (red | green << 8 | blue << 16) == skipped) continue;
    Bin& bin = bins_[(red >> kBinShift) << (2 * kBinBits) | (green >> kBinShift) << kBinBits |
                     (blue >> kBinShift)];
    ++bin.count;
    bin.red += red;
    bin.green += green;
    bin.blue += blue;
  }
}

std::vector<Rgb> ColourQuantiser::ChoosePalette(int maxColours) const {
  std::vector<Sample> samples;
  for (const Bin& bin : bins_) {
    if (bin.count == 0) continue;
    double count = static_cast<double>(bin.count);
    samples.push_back(
        {count,
         {static_cast<double>(bin.red) / count, static_cast<double>(bin.green) / count,
          static_cast<double>(bin.blue) / count}});
  }
  if (samples.empty() || maxColours <= 0) return {};
  std::vector<Rgb> palette = SplitIntoBoxes(samples, maxColours);
  RefineByKMeans(samples, palette);
  return palette;
}

NearestColourFinder::NearestColourFinder(const std::vector<Rgb>& palette) {
  byGreen_.reserve(palette.size());
  for (std::size_t i = 0; i < palette.size(); ++i) {
    byGreen_.push_back({palette[i], static_cast<int>(i)});
  }
  std::sort(byGreen_.begin(), byGreen_.end(),
            [](const Entry& a, const Entry& b) { return a.colour.green < b.colour.green; });
}

int NearestColourFinder::Find(const Rgb& colour) const {
  auto start =
      std::lower_bound(byGreen_.begin(), byGreen_.end(), colour.green,
                       [](const Entry& entry, int green) { return entry.colour.green < green; });
  int bestIndex = byGreen_.front().index;
  int bestDistance = 1 << 30;
  auto consider = [&](const Entry& entry) {
    int greenOffset = entry.colour.green - colour.green;
    int greenDistance = greenOffset * greenOffset;
    if (greenDistance >= bestDistance) return false;
    int redOffset = entry.colour.red - colour.red;
    int blueOffset = entry.colour.blue - colour.blue;
    int distance = greenDistance + redOffset * redOffset + blueOffset * blueOffset;
    if (distance < bestDistance) {
      bestDistance = distance;
      bestIndex = entry.index;
    }
    return true;
  };
  auto up = start;
  auto down = start;
  bool upOpen = true;
  bool downOpen = true;
  while (upOpen || downOpen) {
    if (upOpen) upOpen = up != byGreen_.end() && consider(*up++);
    if (downOpen) downOpen = down != byGreen_.begin() && consider(*--down);
  }
  return bestIndex;
}

}  // namespace imagelib
