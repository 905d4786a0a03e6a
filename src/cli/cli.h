// kobacli: the command-line converter over the core.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Runs one command line (without the program name); returns the exit code: 0 done,
// 1 failed, 2 usage error. `in` gives the Audio Player's keys.
int RunKobaCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
