// The program's settings and its file associations on a freedesktop system, in the places a
// registry holds them elsewhere: per-user values in $XDG_CONFIG_HOME/VEK-Software/KOBA.conf,
// the install record (version and location) in $XDG_DATA_HOME/VEK-Software/KOBA/install.conf,
// the file type as a desktop entry and a shared-mime-info package, and the defaults in the
// user's mimeapps.list.
#pragma once

#include <span>
#include <string>

#include "desktop/xdg.h"
#include "host/settings.h"
#include "store/import_format.h"

class Host;

class RegistrySettings {
public:
    RegistrySettings(Host& host, DesktopPaths paths, std::string programPath,
                     std::span<const ImportFormat> rows);

    // The start-up check: version, location and file type registration, then the per-user
    // values (each missing value clears its field).
    bool Load(ProgramSettings& settings);
    bool Save(const ProgramSettings& settings);
    // Removes every trace of KOBA; nothing is written afterwards.
    bool Uninstall();
    bool Uninstalled() const { return uninstalled_; }

    std::string SettingsPath() const;
    std::string InstallRecordPath() const;
    std::string DesktopEntryPath() const;
    std::string MimePackagePath() const;

    static constexpr char kDesktopId[] = "koba.desktop";
    static constexpr char kOwnTypePrefix[] = "audio/x-koba-";

private:
    void CheckInstallation();
    void RegisterFileType(bool firstRun);
    void Associate(const MimeDatabase& database, const std::string& extension, const std::string& type);
    void WarnUnlessWritten(bool written);

    Host& host_;
    DesktopPaths paths_;
    std::string programPath_;
    std::span<const ImportFormat> rows_;
    bool uninstalled_ = false;
};

// The version as stored ("%d.%d") compared as major × 256 + minor; −1 when missing or unreadable.
int StoredVersion(const std::string& text);
