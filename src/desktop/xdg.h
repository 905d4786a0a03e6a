// The freedesktop side of file associations: where per-user files live, which MIME type an
// extension has, which application opens a type by default, and running the database tools.
#pragma once

#include <map>
#include <string>
#include <vector>

struct DesktopPaths {
    std::string configHome;                 // $XDG_CONFIG_HOME, default ~/.config
    std::string dataHome;                   // $XDG_DATA_HOME, default ~/.local/share
    std::vector<std::string> configDirs;    // $XDG_CONFIG_DIRS, default /etc/xdg
    std::vector<std::string> dataDirs;      // $XDG_DATA_DIRS, default /usr/local/share:/usr/share
    std::vector<std::string> desktops;      // $XDG_CURRENT_DESKTOP, lower case

    static DesktopPaths FromEnvironment();
};

// The shared-mime-info database as its generated files have it (globs2 and aliases), user
// folder first.
class MimeDatabase {
public:
    explicit MimeDatabase(const DesktopPaths& paths);

    // The type whose glob "*.ext" has the highest weight, ignoring types whose name starts with
    // `ignorePrefix`; empty when none.
    std::string TypeOfExtension(const std::string& extension, const std::string& ignorePrefix) const;
    // The type and every alias of it.
    std::vector<std::string> NamesOf(const std::string& type) const;

private:
    struct Glob {
        int weight;
        std::string type;
    };
    std::multimap<std::string, Glob> globs_;          // "*.ext" in lower case → type
    std::map<std::string, std::string> canonical_;    // alias → type
};

// The desktop entry that opens a type by default as the user's mimeapps.list files say (any
// of `names`: a type and its aliases); empty when none names one.
std::string DefaultApplication(const DesktopPaths& paths, const std::vector<std::string>& names);
bool DesktopEntryExists(const DesktopPaths& paths, const std::string& desktopId);
// The two lists of $XDG_CONFIG_HOME/mimeapps.list an application can stand in for a type: the
// default, or the applications added to "Open With".
enum class Association { Default, OpenWith };
// Puts `desktopId` first in a list for a type (any of `names`: the type and its aliases).
// Applications the user had there stay behind it, so that they take over again when KOBA's
// entry goes.
bool AddApplication(const DesktopPaths& paths, Association list, const std::vector<std::string>& names,
                    const std::string& desktopId);
// Takes `desktopId` out of both lists in $XDG_CONFIG_HOME/mimeapps.list; other applications
// stay.
bool RemoveApplication(const DesktopPaths& paths, const std::string& desktopId);

// Runs a program found on PATH and waits for it; its exit code, or -1 when it is not there.
int RunAndWait(const std::string& program, const std::vector<std::string>& arguments);
