// The HTML table-art page: one table cell per pixel, coloured like the pixel.
#pragma once

#include "imagelib/imagelib.h"

// Writes the page of `columns` × `rows` pixels of the picture to `path`, each cell a square of
// `cellSize` screen pixels. Returns 1 when the page was written; when the file cannot be
// created, shows a message and returns 0; when writing fails part way, returns 0 and leaves the
// file that was at `path` before as it was.
int WriteTableArt(PictureHandle picture, const char* path, int columns, int rows, int cellSize);
