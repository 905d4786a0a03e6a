// File names for extracted items that stay apart within one run.
#pragma once

#include <set>
#include <string>

// "stem.ext", or "stem (2).ext", "stem (3).ext" … when this run has used the name (ignoring
// case, so that the files stay apart on case-insensitive disks too).
std::string UniqueFileName(const std::string& stem, const std::string& extension, std::set<std::string>& used);
