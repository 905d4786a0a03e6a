// File names for extracted items.
#include "cli/unique_names.h"

#include <algorithm>
#include <cctype>

std::string UniqueFileName(const std::string& stem, const std::string& extension, std::set<std::string>& used)
{
    const auto folded = [](std::string name) {
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return name;
    };
    std::string name = stem + "." + extension;
    for (int n = 2; used.count(folded(name)) != 0; ++n) name = stem + " (" + std::to_string(n) + ")." + extension;
    used.insert(folded(name));
    return name;
}
