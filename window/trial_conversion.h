// The trial conversion of an animated GIF into a temporary file, measured for the "変換後" row
// and shown by the browser preview. (A single picture's trial is part of its measurement:
// window/picture_facts.h.)
#pragma once

// Converts the whole list, each entry a frame, with the settings in force into `path`, with the
// progress bar. True on success.
bool TrialConvert(const char* path);
