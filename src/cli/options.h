// Command-line options of kobacli: positional words and --name value pairs.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;  // "--name" → value ("" for switches)
};

// Splits `args`; options in `switches` take no value, those in `valued` one (also as
// --name=value). Anything else starting with "--" is an error, reported in `error`.
std::optional<ParsedArgs> ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& switches,
                                    const std::set<std::string>& valued, std::string& error);
