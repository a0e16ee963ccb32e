// The system's wide texts (UTF-16) as the program's UTF-8, for messages and
// the environment's file names.
#pragma once

#include <string>

namespace rumblet {

std::string utf8FromWide(const std::wstring& wide);

// A variable of the process's environment, read with the wide functions so
// a file name beyond the ANSI code page arrives whole; empty when unset.
std::string environmentValue(const wchar_t* name);

}  // namespace rumblet
