// Whole text files of the desktop integration, replaced only once the new text is complete.
#pragma once

#include <string>

// Writes `text` to `path` through a file beside it that is renamed over it; creates the
// folders on the way. False when anything fails (the old file then stays as it was).
bool WriteTextFile(const std::string& path, const std::string& text);
