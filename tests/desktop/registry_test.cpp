// Settings (in the typed key-value file) and file associations against the real freedesktop tools
// (update-mime-database, desktop-file-validate, xdg-mime), in temporary folders.
#include "desktop/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "desktop/reg_file.h"
#include "formats/format_tables.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "kit/tools.h"

namespace {

namespace fs = std::filesystem;

constexpr char kDefaults[] =
    "[Default Applications]\naudio/wav=other.desktop;\naudio/x-xm=gone.desktop;\ntext/plain=other.desktop;\n";

void Write(const std::string& path, const std::string& text)
{
    fs::create_directories(fs::path(path).parent_path());
    WriteFileBytes(path, {text.begin(), text.end()});
}

std::string Text(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

TEST(Registry, FirstRunRegistersLaterRunsAreSilentSettingsRoundTripAndUninstallRemovesExactlyKobasTraces)
{
    // The system's MIME database in a folder of our own, and another program that owns WAVE and
    // text files (and a default naming one gone).
    TempDir home;
    const DesktopPaths paths{home / "config", home / "data", {home / "etc-xdg"}, {home / "system"}, {}};
    Write(home / "system/mime/globs2", Text("/usr/share/mime/globs2"));
    Write(home / "system/mime/aliases", Text("/usr/share/mime/aliases"));
    Write(home / "system/applications/other.desktop", "[Desktop Entry]\nType=Application\nName=O\nExec=true %f\n");
    Write(paths.configHome + "/mimeapps.list", kDefaults);
    // Settings for a stub program the desktop tools accept, at `location`.
    const auto make = [&](Host& host, const std::string& location) {
        Write(location, "#!/bin/sh\nexit 0\n");
        ::chmod(location.c_str(), 0755);
        return RegistrySettings(host, paths, location, ImportTable());
    };
    const std::string program = home / "bin/koba";
    ScriptedHost host;
    ProgramSettings settings;
    host.QueueAnswer(Answer::Yes);  // .wav comes to KOBA
    RegistrySettings registry = make(host, program);
    ASSERT_TRUE(registry.Load(settings));
    EXPECT_EQ(host.Texts("Attention!").at(0).rfind("Welcome to KOBA v2.0", 0), 0u);
    // Audio only is asked about (none for x-xm: its owner is gone); text is never taken over.
    const std::vector<std::string> questions = host.Texts("KOBA: Registry setup");
    EXPECT_EQ(std::make_tuple(questions.size(), questions.at(0).substr(0, 52)),
              std::make_tuple(1u, "File type '.wav' is associated with 'other.desktop'\n"));
    const auto record = [&] { return LoadRegFile(registry.InstallRecordPath()).value_or(RegValues{}); };
    EXPECT_EQ(record()["VersionNumber"].text + " " + record()["Location"].text, "2.0 " + program);
    const std::string entry = Text(registry.DesktopEntryPath());
    EXPECT_NE(entry.find("Name=KOBA\nGenericName="), std::string::npos);
    EXPECT_NE(entry.find("Exec=" + program + " %f\n"), std::string::npos);
    EXPECT_NE(entry.find("[Desktop Action Play]\nName=Play\nExec=" + program + " -AP %f\n"), std::string::npos);
    EXPECT_EQ(Text(registry.MimePackagePath()).find("*.wav"), std::string::npos);   // the system knows it
    EXPECT_EQ(MimeDatabase(paths).TypeOfExtension("efe", ""), "audio/x-koba-efe");  // update-mime-database saw it
    ::Run("export XDG_CONFIG_HOME=" + Quoted(paths.configHome) + " XDG_DATA_HOME=" + Quoted(paths.dataHome) +
          " XDG_DATA_DIRS=" + Quoted(home / "system") + " XDG_CONFIG_DIRS=" + Quoted(home / "etc-xdg") +
          "; for t in audio/x-koba-efe audio/x-wav text/plain audio/x-xm; do xdg-mime query default $t; done >" +
          Quoted(home / "query.txt"));
    EXPECT_EQ(Text(home / "query.txt"), "koba.desktop\nkoba.desktop\nother.desktop\nkoba.desktop\n");  // as answered
    // Types that are not audio, owned by another program or by none, are only offered.
    const std::string lists = Text(paths.configHome + "/mimeapps.list");
    const std::string added = lists.substr(lists.find("[Added Associations]"));
    for (const char* type : {"text/plain=koba.desktop;", "image/x-gimp-pat=koba.desktop;"}) {
        EXPECT_NE(added.find(type), std::string::npos) << type;
        EXPECT_EQ(lists.find(type), lists.find("[Added Associations]") + added.find(type)) << type;
    }

    // A later run asks nothing and leaves a removed entry removed; a moved program registers again.
    fs::remove(registry.DesktopEntryPath());
    ScriptedHost second, third;
    make(second, program).Load(settings);
    EXPECT_FALSE(fs::exists(registry.DesktopEntryPath()));
    const std::string moved = home / "opt/koba dir/koba";
    make(third, moved).Load(settings);
    EXPECT_TRUE(second.messages.empty() && third.messages.empty());
    EXPECT_EQ(record()["Location"].text, moved);
    EXPECT_NE(Text(registry.DesktopEntryPath()).find("Exec=\"" + moved + "\" %f\n"), std::string::npos);
    EXPECT_EQ(::Run("desktop-file-validate " + Quoted(registry.DesktopEntryPath())), 0);

    // The settings round trip but for the wavesample's export choice; unreadable values clear their
    // fields (mtEnable to 0, not its default 1); a failed write warns.
    const auto fields = [](const ProgramSettings& s) {
        return std::make_tuple(s.szLastFile, s.szLastOutDir, std::vector<std::uint32_t>(s.LastExp, s.LastExp + 4),
                               s.mtEnable, s.mtInDev, s.mtOutDev, s.dacOutDev);
    };
    ProgramSettings saved{"/my \"quoted\" \\ path\nnewline", "/music/out", {3, 1, 4, 2}, 0, -1, 2, 5}, loaded;
    registry.Save(saved);
    registry.Load(loaded);
    saved.LastExp[3] = 0;
    EXPECT_EQ(fields(loaded), fields(saved));
    Write(registry.SettingsPath(), "[key]\n\"szLastFile\"=\"/x\"\nbad\n\"mtEnable\"=dword:zz\n\"LastExp\"=hex:0g\n");
    registry.Load(loaded);
    EXPECT_EQ(fields(loaded), fields(ProgramSettings{"/x", "", {}, 0, 0, 0, 0}));
    fs::remove(registry.SettingsPath());
    fs::create_directories(registry.SettingsPath());  // a folder where the file should be
    ProgramSettings defaults;
    registry.Load(defaults);
    registry.Save(defaults);
    EXPECT_EQ(std::make_tuple(defaults.mtEnable, host.Texts("Attention!").back()),
              std::make_tuple(1u, "Can't write to the Registry"));

    ASSERT_TRUE(registry.Uninstall());
    for (const std::string& path : {registry.SettingsPath(), registry.InstallRecordPath(), registry.DesktopEntryPath(),
                                    registry.MimePackagePath()})
        EXPECT_FALSE(fs::exists(path)) << path;
    EXPECT_EQ(Text(paths.configHome + "/mimeapps.list"), kDefaults);  // the defaults KOBA took over are back
    EXPECT_EQ(MimeDatabase(paths).TypeOfExtension("efe", ""), "");
    registry.Save(settings);
    registry.Load(settings);
    EXPECT_FALSE(fs::exists(registry.SettingsPath()) || fs::exists(registry.InstallRecordPath()));
}

}  // namespace
