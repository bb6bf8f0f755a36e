// Name operations on the paths of input entries. They work on bytes and treat both '\' and
// '/' as separators, so entries written on either system are understood.
#pragma once

#include <cstddef>
#include <string>

// The longest path or file name, in bytes, that the program holds: each lives in a buffer of
// kPathBufferBytes with its terminating zero. A longer one is refused (or, for a name formed
// by the program, cut), never overflows.
inline constexpr std::size_t kMaxPathBytes = 255;
inline constexpr std::size_t kPathBufferBytes = kMaxPathBytes + 1;

// Rewrites the path in `buffer` (of `size` bytes) relative to the folder `base`, in place, and
// returns `buffer`. A path with nothing in common with the base stays as it is.
char* MakeRelativePath(char* buffer, std::size_t size, const char* base);

// The text after the last '.' of the path's last element; empty when that element has no dot.
std::string FileExtension(const std::string& path);

// The file name of the path, with or without its extension. A bare name without any folder is
// the whole path.
std::string FileNamePart(const std::string& path, bool withExtension);
