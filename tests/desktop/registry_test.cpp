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

// The system's MIME database as a system folder of our own, a stub program the desktop tools
// accept, and another program that owns WAVE and text files (and a default naming one gone).
struct Registry : ::testing::Test {
    TempDir home;
    DesktopPaths paths{home / "config", home / "data", {home / "etc-xdg"}, {home / "system"}, {}};
    std::string program = home / "bin/koba";
    ScriptedHost host;
    ProgramSettings settings;

    void SetUp() override
    {
        Write(home / "system/mime/globs2", Text("/usr/share/mime/globs2"));
        Write(home / "system/mime/aliases", Text("/usr/share/mime/aliases"));
        Write(home / "system/applications/other.desktop", "[Desktop Entry]\nType=Application\nName=O\nExec=true %f\n");
        Write(paths.configHome + "/mimeapps.list", kDefaults);
        MakeProgram(program);
    }
    static void MakeProgram(const std::string& path)
    {
        Write(path, "#!/bin/sh\nexit 0\n");
        ::chmod(path.c_str(), 0755);
    }
    RegistrySettings Make(Host& h, const std::string& location = "") const
    {
        return RegistrySettings(h, paths, location.empty() ? program : location, ImportTable());
    }
    static std::string Record(const RegistrySettings& r, const char* value)
    {
        return LoadRegFile(r.InstallRecordPath()).value_or(RegValues{})[value].text;
    }
};

TEST_F(Registry, FirstRunRegistersLaterRunsAreSilentAndUninstallRemovesExactlyKobasTraces)
{
    host.QueueAnswer(Answer::No);   // .txt stays with the other program
    host.QueueAnswer(Answer::Yes);  // .wav comes to KOBA
    RegistrySettings registry = Make(host);
    ASSERT_TRUE(registry.Load(settings));
    EXPECT_EQ(host.Texts("Attention!"),
              (std::vector<std::string>{"Welcome to KOBA v2.0 - Audio & Wavetable Instrument Converter & Player!"}));
    const std::vector<std::string> questions = host.Texts("KOBA: Registry setup");
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0],
              "File type '.txt' is associated with 'other.desktop'\nAssociate with 'DigitalAudioFile' "
              "instead?\n(Answer no if the other program is more\nspecialized on this particular format)");
    EXPECT_EQ(questions[1].rfind("File type '.wav' is associated with 'other.desktop'", 0), 0u);
    EXPECT_EQ(Record(registry, "VersionNumber") + " " + Record(registry, "Location"), "2.0 " + program);
    EXPECT_EQ(::Run("desktop-file-validate " + Quoted(registry.DesktopEntryPath())), 0);
    const std::string entry = Text(registry.DesktopEntryPath());
    EXPECT_NE(entry.find("Exec=" + program + " %f\n"), std::string::npos);
    EXPECT_NE(entry.find("[Desktop Action Play]\nName=Play\nExec=" + program + " -AP %f\n"), std::string::npos);
    EXPECT_EQ(Text(registry.MimePackagePath()).find("*.wav"), std::string::npos);  // the system knows it
    const MimeDatabase database(paths);
    EXPECT_EQ(database.TypeOfExtension("efe", ""), "audio/x-koba-efe");  // update-mime-database saw the package
    ::Run("export XDG_CONFIG_HOME=" + Quoted(paths.configHome) + " XDG_DATA_HOME=" + Quoted(paths.dataHome) +
          " XDG_DATA_DIRS=" + Quoted(home / "system") + " XDG_CONFIG_DIRS=" + Quoted(home / "etc-xdg") +
          "; for t in audio/x-koba-efe audio/x-wav text/plain audio/x-xm; do xdg-mime query default $t; done >" +
          Quoted(home / "query.txt"));
    // .txt stayed with the other program; x-xm's former owner is gone.
    EXPECT_EQ(Text(home / "query.txt"), "koba.desktop\nkoba.desktop\nother.desktop\nkoba.desktop\n");

    // A later run asks nothing and leaves a removed entry removed; a moved program registers again.
    fs::remove(registry.DesktopEntryPath());
    ScriptedHost second, third;
    Make(second).Load(settings);
    EXPECT_FALSE(fs::exists(registry.DesktopEntryPath()));
    const std::string moved = home / "opt/koba dir/koba";
    MakeProgram(moved);
    Make(third, moved).Load(settings);
    EXPECT_TRUE(second.messages.empty() && third.messages.empty());
    EXPECT_EQ(Record(registry, "Location"), moved);
    EXPECT_NE(Text(registry.DesktopEntryPath()).find("Exec=\"" + moved + "\" %f\n"), std::string::npos);
    EXPECT_EQ(::Run("desktop-file-validate " + Quoted(registry.DesktopEntryPath())), 0);
    registry.Save(settings);
    ASSERT_TRUE(registry.Uninstall());
    for (const std::string& path : {registry.SettingsPath(), registry.InstallRecordPath(), registry.DesktopEntryPath(),
                                    registry.MimePackagePath()}) {
        EXPECT_FALSE(fs::exists(path)) << path;
    }
    EXPECT_EQ(Text(paths.configHome + "/mimeapps.list"), kDefaults);  // the defaults KOBA took over are back
    EXPECT_EQ(MimeDatabase(paths).TypeOfExtension("efe", ""), "");
    registry.Save(settings);
    registry.Load(settings);
    EXPECT_FALSE(fs::exists(registry.SettingsPath()) || fs::exists(registry.InstallRecordPath()));
}

TEST_F(Registry, SettingsRoundTripMissingOrUnreadableValuesClearFieldsAndAFailedWriteWarns)
{
    const auto fields = [](const ProgramSettings& s) {
        return std::make_tuple(s.szLastFile, s.szLastOutDir, std::vector<std::uint32_t>(s.LastExp, s.LastExp + 4),
                               s.mtEnable, s.mtInDev, s.mtOutDev, s.dacOutDev);
    };
    RegistrySettings registry = Make(host);
    ProgramSettings saved{"/my \"quoted\" \\ path\nnewline", "/music/out", {3, 1, 4, 2}, 0, -1, 2, 5}, loaded;
    ASSERT_TRUE(registry.Save(saved));
    registry.Load(loaded);
    saved.LastExp[3] = 0;  // the wavesample's choice is not kept between runs
    EXPECT_EQ(fields(loaded), fields(saved));
    Write(registry.SettingsPath(), "[key]\n\"szLastFile\"=\"/x\"\nbad\n\"mtEnable\"=dword:zz\n\"LastExp\"=hex:0g\n");
    registry.Load(loaded);
    EXPECT_EQ(fields(loaded), fields(ProgramSettings{"/x", "", {}, 0, 0, 0, 0}));  // mtEnable cleared, not 1
    fs::remove(registry.SettingsPath());
    fs::create_directories(registry.SettingsPath());  // a folder where the file should be
    ProgramSettings defaults;
    registry.Load(defaults);
    registry.Save(defaults);
    EXPECT_EQ(std::make_tuple(defaults.mtEnable, host.Texts("Attention!").back()),
              std::make_tuple(1u, "Can't write to the Registry"));
}

}  // namespace
