#pragma once
// Wide text for the producer's output: in the console's own code page on a console, in UTF-8
// into a pipe or a file, which is what scripts reading it expect.
#include <cstdio>
#include <string>

std::string ConsoleText(const std::wstring& text, std::FILE* stream);
