// The program's texts are UTF-8, the system's wide texts UTF-16: the one
// place where the two cross, for the sound output's messages, the file
// system's names and the windows' captions.
#pragma once

#include <string>
#include <string_view>

namespace rumblet {

// UTF-8 as UTF-16; false for bytes that are no UTF-8.
bool wideFromUtf8(std::string_view text, std::wstring& wide);

std::string utf8FromWide(std::wstring_view wide);

// A variable of the process's environment, read with the wide functions so
// a file name beyond the ANSI code page arrives whole; empty when unset.
std::string environmentValue(const wchar_t* name);

}  // namespace rumblet
