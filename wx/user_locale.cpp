#include "wx/user_locale.h"

#include <wx/uilocale.h>

#include <clocale>

void UseUserLocale() {
  wxUILocale::UseDefault();
  std::setlocale(LC_NUMERIC, "C");
}
