// The files one batch run has written, so that a later entry whose output name is the same as an
// earlier one's is saved beside it instead of replacing it; and the files it reads, which no
// output replaces.
#pragma once

#include <set>
#include <string>

#include "platform/files.h"

class RunOutputs {
 public:
  // `path` when this run has not written it yet, it is none of the run's sources (nor, with
  // `avoidExisting`, is there a file of that name already); otherwise the first of "x(2).ext",
  // "x(3).ext", … that is free so, the copy number going in front of `extension`.
  std::string FreePath(const std::string& path, const std::string& extension,
                       bool avoidExisting = false) const;
  // Records a file this run has written.
  void Add(const std::string& path);
  // Forgets it again: the entry that took the name was dropped before it wrote the file.
  void Remove(const std::string& path);
  // Records a file the run reads. Compared as the file system compares: the same file, under
  // whatever name (letter case on Windows, links).
  void AddSource(const std::string& path);
  // True when `path` is a file the run reads.
  bool IsSource(const std::string& path) const;

 private:
  bool Written(const std::string& path) const;

  std::set<std::string> written_;
  std::set<std::string> sourcePaths_;
  std::set<platform::FileIdentity> sources_;
};
