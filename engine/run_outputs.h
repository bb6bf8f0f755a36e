// The files one batch run has written, so that a later entry whose output name is the same as an
// earlier one's is saved beside it instead of replacing it.
#pragma once

#include <set>
#include <string>

class RunOutputs {
 public:
  // `path` when this run has not written it yet (nor, with `avoidExisting`, is there a file of
  // that name already); otherwise the first of "x(2).ext", "x(3).ext", … that is free so, the
  // copy number going in front of `extension`.
  std::string FreePath(const std::string& path, const std::string& extension,
                       bool avoidExisting = false) const;
  // Records a file this run has written.
  void Add(const std::string& path);
  // Forgets it again: the entry that took the name was dropped before it wrote the file.
  void Remove(const std::string& path);

 private:
  bool Written(const std::string& path) const;

  std::set<std::string> written_;
};
