// Name operations on the paths of input entries. They work on bytes and treat both '\' and
// '/' as separators, so entries written on either system are understood.
#pragma once

#include <cstddef>
#include <string>

// The bytes of a fixed text array that holds `length` bytes as the program's limits count them
// (StoredLength, base/text_encoding.h): in UTF-8 a character takes at most three times its
// cp932 bytes. With the terminating zero.
constexpr std::size_t StoredTextBytes(std::size_t length) {
  return 3 * length + 1;
}

// The longest path or file name that the program holds, counted by StoredLength: 255 bytes, as
// on Japanese Windows. Each lives in a buffer of kPathBufferBytes. A longer one is refused (or,
// for a name formed by the program, cut), never overflows.
inline constexpr std::size_t kMaxPathLength = 255;
inline constexpr std::size_t kPathBufferBytes = StoredTextBytes(kMaxPathLength);

// Rewrites the path in `buffer` (of `size` bytes) relative to the folder `base`, in place, and
// returns `buffer`. A path with nothing in common with the base stays as it is.
char* MakeRelativePath(char* buffer, std::size_t size, const char* base);

// The separator a path uses: its last one (of those the system has), '/' when it has none. A
// separator the program adds to a path is this one, so that no path it composes mixes the two.
char SeparatorOf(const std::string& path);

// The text after the last '.' of the path's last element; empty when that element has no dot.
std::string FileExtension(const std::string& path);

// The file name of the path, with or without its extension. A bare name without any folder is
// the whole path.
std::string FileNamePart(const std::string& path, bool withExtension);
