#pragma once

// The program's texts are UTF-8; Windows takes and gives UTF-16. Windows only.

#include <string>
#include <string_view>

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
