// kobacli: the command-line converter over the core.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Runs one command line (without the program name); returns the exit code: 0 done,
// 1 failed, 2 usage error.
int RunKobaCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
