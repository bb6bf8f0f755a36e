// Output names from the date a photo was taken (NAME_FROM_DATE), so that a card's
// "IMG_4711.HEIC" becomes "2026-12-09_15-30-00.jpg" and sorts by date.
#pragma once

#include <string>

enum NameFromDate {
  kNameAsSource = 0,
  kNameFromDate = 1,
  kNameFromDateAndSource = 2,
};

// The name (without extension) that the output of the source at `path`, named `name`, starts
// from: `name` itself under kNameAsSource; otherwise "YYYY-MM-DD_hh-mm-ss" of its Exif
// DateTimeOriginal, else of its DateTime, else of the file's modification time, followed under
// kNameFromDateAndSource by "_" and `name`. `name` when not even the file's time can be read.
std::string DatedSourceName(const char* path, const std::string& name, int rule);
