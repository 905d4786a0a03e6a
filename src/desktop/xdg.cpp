// The freedesktop side of file associations.
#include "desktop/xdg.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "desktop/text_file.h"

extern char** environ;

namespace {

std::string Env(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, separator)) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::string> Lines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return WriteTextFile(path, text);
}

// mimeapps.list files in the order that decides, for the current desktops.
std::vector<std::string> MimeAppsLists(const DesktopPaths& paths)
{
    std::vector<std::string> lists;
    const auto add = [&](const std::string& folder) {
        for (const std::string& desktop : paths.desktops) lists.push_back(folder + "/" + desktop + "-mimeapps.list");
        lists.push_back(folder + "/mimeapps.list");
    };
    add(paths.configHome);
    for (const std::string& dir : paths.configDirs) add(dir);
    add(paths.dataHome + "/applications");
    for (const std::string& dir : paths.dataDirs) add(dir + "/applications");
    return lists;
}

const char kDefaults[] = "[Default Applications]";
const char kAdded[] = "[Added Associations]";

bool ProgramOnPath(const std::string& program)
{
    for (const std::string& dir : Split(Env("PATH", "/usr/bin:/bin"), ':')) {
        if (::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    }
    return false;
}

}  // namespace

DesktopPaths DesktopPaths::FromEnvironment()
{
    const std::string home = Env("HOME", "/");
    DesktopPaths paths;
    paths.configHome = Env("XDG_CONFIG_HOME", home + "/.config");
    paths.dataHome = Env("XDG_DATA_HOME", home + "/.local/share");
    paths.configDirs = Split(Env("XDG_CONFIG_DIRS", "/etc/xdg"), ':');
    paths.dataDirs = Split(Env("XDG_DATA_DIRS", "/usr/local/share:/usr/share"), ':');
    for (const std::string& desktop : Split(Env("XDG_CURRENT_DESKTOP", ""), ':')) paths.desktops.push_back(Lower(desktop));
    return paths;
}

MimeDatabase::MimeDatabase(const DesktopPaths& paths)
{
    std::vector<std::string> folders = {paths.dataHome};
    folders.insert(folders.end(), paths.dataDirs.begin(), paths.dataDirs.end());
    for (const std::string& folder : folders) {
        for (const std::string& line : Lines(folder + "/mime/globs2")) {
            const std::vector<std::string> fields = Split(line, ':');
            if (line.empty() || line[0] == '#' || fields.size() < 3) continue;
            globs_.insert({Lower(fields[2]), {std::atoi(fields[0].c_str()), fields[1]}});
        }
        for (const std::string& line : Lines(folder + "/mime/aliases")) {
            const std::vector<std::string> fields = Split(line, ' ');
            if (fields.size() == 2) canonical_.emplace(fields[0], fields[1]);
        }
    }
}

std::string MimeDatabase::TypeOfExtension(const std::string& extension, const std::string& ignorePrefix) const
{
    std::string best;
    int bestWeight = -1;
    const auto [first, last] = globs_.equal_range("*." + Lower(extension));
    for (auto it = first; it != last; ++it) {
        if (!ignorePrefix.empty() && it->second.type.rfind(ignorePrefix, 0) == 0) continue;
        if (it->second.weight > bestWeight) best = it->second.type, bestWeight = it->second.weight;
    }
    return best;
}

std::vector<std::string> MimeDatabase::NamesOf(const std::string& type) const
{
    const auto found = canonical_.find(type);
    const std::string canonical = found != canonical_.end() ? found->second : type;
    std::vector<std::string> names = {canonical};
    for (const auto& [alias, target] : canonical_) {
        if (target == canonical) names.push_back(alias);
    }
    return names;
}

std::string DefaultApplication(const DesktopPaths& paths, const std::vector<std::string>& names)
{
    for (const std::string& list : MimeAppsLists(paths)) {
        bool inDefaults = false;
        for (const std::string& line : Lines(list)) {
            if (!line.empty() && line[0] == '[') inDefaults = line == kDefaults;
            const std::size_t equals = line.find('=');
            if (!inDefaults || equals == std::string::npos) continue;
            if (std::find(names.begin(), names.end(), line.substr(0, equals)) == names.end()) continue;
            const std::vector<std::string> apps = Split(line.substr(equals + 1), ';');
            if (!apps.empty()) return apps.front();
        }
    }
    return "";
}

bool DesktopEntryExists(const DesktopPaths& paths, const std::string& desktopId)
{
    std::vector<std::string> folders = {paths.dataHome};
    folders.insert(folders.end(), paths.dataDirs.begin(), paths.dataDirs.end());
    for (const std::string& folder : folders) {
        if (std::filesystem::exists(folder + "/applications/" + desktopId)) return true;
    }
    return false;
}

bool AddApplication(const DesktopPaths& paths, Association list, const std::vector<std::string>& names,
                    const std::string& desktopId)
{
    const std::string file = paths.configHome + "/mimeapps.list";
    const char* heading = list == Association::Default ? kDefaults : kAdded;
    std::vector<std::string> lines = Lines(file);
    auto section = std::find(lines.begin(), lines.end(), heading);
    if (section == lines.end()) {
        lines.push_back(heading);
        section = lines.end() - 1;
    }
    bool found = false;
    auto at = section + 1;
    for (; at != lines.end() && (at->empty() || (*at)[0] != '['); ++at) {
        const std::size_t equals = at->find('=');
        if (equals == std::string::npos || std::find(names.begin(), names.end(), at->substr(0, equals)) == names.end()) {
            continue;
        }
        std::string apps = desktopId + ";";
        for (const std::string& app : Split(at->substr(equals + 1), ';')) {
            if (app != desktopId) apps += app + ";";
        }
        *at = at->substr(0, equals + 1) + apps;
        found = true;
    }
    if (!found) lines.insert(at, names.front() + "=" + desktopId + ";");
    return WriteLines(file, lines);
}

bool RemoveApplication(const DesktopPaths& paths, const std::string& desktopId)
{
    const std::string list = paths.configHome + "/mimeapps.list";
    if (!std::filesystem::exists(list)) return true;
    std::vector<std::string> kept;
    bool inLists = false;
    for (const std::string& line : Lines(list)) {
        if (!line.empty() && line[0] == '[') inLists = line == kDefaults || line == kAdded;
        const std::size_t equals = line.find('=');
        if (!inLists || equals == std::string::npos) {
            kept.push_back(line);
            continue;
        }
        std::string apps;
        for (const std::string& app : Split(line.substr(equals + 1), ';')) {
            if (app != desktopId) apps += app + ";";
        }
        if (!apps.empty()) kept.push_back(line.substr(0, equals + 1) + apps);
    }
    // A list left without entries goes too, as it came.
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const bool list = kept[i] == kDefaults || kept[i] == kAdded;
        if (list && (i + 1 == kept.size() || (!kept[i + 1].empty() && kept[i + 1][0] == '['))) continue;
        lines.push_back(kept[i]);
    }
    return WriteLines(list, lines);
}

int RunAndWait(const std::string& program, const std::vector<std::string>& arguments)
{
    if (!ProgramOnPath(program)) return -1;
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
