// The folder of the executable, with one trailing separator. Start-up sets it and makes it the
// working directory; every relative path of the program resolves against it.
#pragma once

extern char programFolder[256];

// Sets programFolder from the running executable's location. Returns false if that location
// cannot be found or does not fit.
bool FindProgramFolder();

// Sets programFolder to `folder`, adding the trailing separator if missing. Returns false if it
// does not fit.
bool SetProgramFolder(const char* folder);
