// KEEP_SMALLER: a JPEG, PNG or WebP that would only grow when written again in its own format, its
// pixels unchanged, is kept as it is instead, so that a run never makes an already small file
// larger.
#pragma once

#include "state/app_state.h"

enum KeepSmaller {
  kKeepConverted = 0,
  kKeepSmallerSource = 1,
};

// What a conversion returns when it wrote its source's bytes (kSavedOverCap's kin).
inline constexpr int kSavedSourceKept = 3;

// Writes the source's own bytes in place of its output just written to target.path, when
// KEEP_SMALLER asks, the source is of the output's format (JPEG, PNG or WebP, one still
// picture), its pixels went through unchanged (`pixelsUnchanged`), and they take fewer bytes. A
// JPEG's Exif is edited as EXIF_KEEP asks, without re-encoding; unless all of it is kept, a file
// carrying metadata that editing cannot reach (XMP, IPTC, PNG text, a PNG's or WebP's Exif) is
// never copied. True when it was.
bool KeepSmallerSource(const PictureRecord& source, const PictureRecord& target,
                       bool pixelsUnchanged);
