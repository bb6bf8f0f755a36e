// The trial conversion of the selected entry into a temporary file, measured for the
// "変換後" row and shown by the browser preview.
#pragma once

// Converts source.path with the settings in force into `path` (for an animated GIF: the whole
// list, with the progress bar). True on success.
bool TrialConvert(const char* path);
