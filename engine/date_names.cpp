#include "engine/date_names.h"

#include <cstdio>
#include <optional>

#include "imagelib/exif_dates.h"
#include "platform/files.h"

std::string DatedSourceName(const char* path, const std::string& name, int rule) {
  if (rule != kNameFromDate && rule != kNameFromDateAndSource) return name;
  std::optional<imagelib::ExifDate> date = imagelib::FileDateTaken(path);
  if (!date) {
    const std::optional<platform::LocalTime> written = platform::LocalModificationTime(path);
    if (!written) return name;
    date = imagelib::ExifDate{written->year, written->month,  written->day,
                              written->hour, written->minute, written->second};
  }
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d_%02d-%02d-%02d", date->year, date->month,
                date->day, date->hour, date->minute, date->second);
  return rule == kNameFromDate ? std::string(text) : std::string(text) + "_" + name;
}
