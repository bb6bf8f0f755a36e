// The program's icon: a picture card, its converted copy and the arrow between them.
#pragma once

#include <wx/bitmap.h>
#include <wx/icon.h>

wxIcon ProgramIcon();
// The icon scaled to `size` pixels square.
wxBitmap ProgramIconBitmap(int size);
