#include "engine/date_names.h"

#include <cstdio>
#include <optional>

#include "imagelib/exif_dates.h"
#include "platform/files.h"

std::string DatedSourceName(const char* path, const std::string& name, int rule) {
  if (rule != kNameFromDate && rule != kNameFromDateAndSource) return name;
  std::optional<platform::LocalTime> date = imagelib::FileDateTaken(path);
  if (!date) date = platform::LocalModificationTime(path);
  if (!date) return name;
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d_%02d-%02d-%02d", date->year, date->month,
                date->day, date->hour, date->minute, date->second);
  return rule == kNameFromDate ? std::string(text) : std::string(text) + "_" + name;
}
