// <windows.h> for code that also sees the platform interface. <windows.h> defines some names as
// macros for its A/W function pairs (DeleteFile -> DeleteFileA, ...) that are also member names
// of the platform interface; once they were renamed in one place and not in another, a class
// would no longer override what it means to. Include this first, before any other header; code
// here always calls the wide-character functions by their full names.
#pragma once

#include <windows.h>

#undef DeleteFile
#undef ShellExecute
#undef SetCurrentDirectory
#undef ExpandEnvironmentStrings
