#pragma once
// A path of the build machine as a program under Wine sees it: Wine maps the host's root to
// drive Z:. Paths that are not absolute host paths are only given backslashes.
#include <string>

std::string WindowsPathOfHost(std::string path);
