#include "engine/run_outputs.h"

#include <filesystem>

#include "engine/output_naming.h"
#include "platform/files.h"

namespace {

// "out/./x.bmp" and "out/x.bmp" are one file.
std::string Normal(const std::string& path) {
  return platform::Utf8Of(platform::PathOf(path).lexically_normal());
}

}  // namespace

std::string RunOutputs::FreePath(const std::string& path, const std::string& extension,
                                 bool avoidExisting) const {
  auto taken = [&](const std::string& candidate) {
    return Written(candidate) ||
           (avoidExisting && platform::KindOf(candidate.c_str()) != platform::PathKind::kMissing) ||
           IsSource(candidate);
  };
  if (!taken(path)) return path;
  std::string candidate;
  int number = 2;
  do {
    candidate = NumberedName(path, extension, number++);
  } while (taken(candidate));
  return candidate;
}

void RunOutputs::Add(const std::string& path) {
  written_.insert(Normal(path));
}

void RunOutputs::Remove(const std::string& path) {
  written_.erase(Normal(path));
}

void RunOutputs::AddSource(const std::string& path) {
  if (!sourcePaths_.insert(path).second) return;
  if (const auto identity = platform::IdentityOf(path.c_str())) sources_.insert(*identity);
}

bool RunOutputs::IsSource(const std::string& path) const {
  if (sources_.empty()) return false;
  const auto identity = platform::IdentityOf(path.c_str());
  return identity && sources_.count(*identity) != 0;
}

bool RunOutputs::Written(const std::string& path) const {
  return written_.count(Normal(path)) != 0;
}
