#include "wx/program_icon.h"

#include <wx/image.h>

#include "resources/program_icon.xpm"

wxIcon ProgramIcon() {
  return wxIcon(kProgramIconXpm);
}

wxBitmap ProgramIconBitmap(int size) {
  wxImage image = wxBitmap(kProgramIconXpm).ConvertToImage();
  return wxBitmap(image.Scale(size, size, wxIMAGE_QUALITY_HIGH));
}
