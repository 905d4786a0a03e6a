// Command-line options of kobacli.
#include "cli/options.h"

std::optional<ParsedArgs> ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& switches,
                                    const std::set<std::string>& valued, std::string& error)
{
    ParsedArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            parsed.positional.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (switches.count(name) != 0 && equals == std::string::npos) {
            parsed.values[name] = "";
        } else if (valued.count(name) != 0) {
            if (equals != std::string::npos) {
                parsed.values[name] = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                parsed.values[name] = args[++i];
            } else {
                error = "option " + name + " needs a value";
                return std::nullopt;
            }
        } else {
            error = "unknown option " + name;
            return std::nullopt;
        }
    }
    return parsed;
}
