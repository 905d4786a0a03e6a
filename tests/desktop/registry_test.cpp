// Settings and file associations against the real freedesktop tools, in temporary folders.
#include "desktop/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "desktop/reg_file.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "kit/tools.h"

namespace {

std::string Text(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct DesktopFixture : ::testing::Test {
    TempDir home;
    DesktopPaths paths;
    std::string program;

    void SetUp() override
    {
        paths.configHome = home / "config";
        paths.dataHome = home / "data";
        paths.configDirs = {home / "etc-xdg"};
        paths.dataDirs = {home / "system"};
        // The system's MIME database, as a system folder of our own.
        std::filesystem::create_directories(home / "system/mime");
        std::filesystem::create_directories(home / "system/applications");
        for (const char* file : {"globs2", "aliases"}) {
            std::filesystem::copy_file(std::string("/usr/share/mime/") + file, home / ("system/mime/" + std::string(file)));
        }
        program = MakeProgram("bin/koba");
    }
    // A stub executable, so that the desktop tools accept the entry that names it.
    std::string MakeProgram(const std::string& name)
    {
        const std::string path = home / name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteFileBytes(path, Bytes{}.Tag("#!/bin/sh\nexit 0\n").Data());
        ::chmod(path.c_str(), 0755);
        return path;
    }
    // Another program that owns WAVE files, and a default naming one that is not installed.
    void OtherOwners()
    {
        std::filesystem::create_directories(paths.configHome);
        WriteFileBytes(home / "system/applications/other.desktop",
                       Bytes{}.Tag("[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %f\n").Data());
        WriteFileBytes(paths.configHome + "/mimeapps.list",
                       Bytes{}.Tag("[Default Applications]\naudio/wav=other.desktop;\naudio/x-xm=gone.desktop;\n"
                                   "text/plain=other.desktop;\n").Data());
    }
    std::string Env() const
    {
        return "env HOME=" + Quoted(home.Path()) + " XDG_CONFIG_HOME=" + Quoted(paths.configHome) +
               " XDG_DATA_HOME=" + Quoted(paths.dataHome) + " XDG_DATA_DIRS=" + Quoted(home / "system") +
               " XDG_CONFIG_DIRS=" + Quoted(home / "etc-xdg") + " PATH=" + Quoted(home / "bin") + ":/usr/bin:/bin ";
    }
    RegValues InstallRecord(const RegistrySettings& r) const { return LoadRegFile(r.InstallRecordPath()).value_or(RegValues{}); }
};

using Registry = DesktopFixture;

TEST_F(Registry, FirstRunWelcomesRegistersAndAsksOnlyAboutOwnedTypes)
{
    OtherOwners();
    ScriptedHost host;
    host.QueueAnswer(Answer::No);   // .txt stays with the other program
    host.QueueAnswer(Answer::Yes);  // .wav comes to KOBA
    RegistrySettings registry(host, paths, program, ImportTable());
    ProgramSettings settings;
    ASSERT_TRUE(registry.Load(settings));

    EXPECT_EQ(host.Texts("Attention!"),
              (std::vector<std::string>{"Welcome to KOBA v2.0 - Audio & Wavetable Instrument Converter & Player!"}));
    const std::vector<std::string> questions = host.Texts("KOBA: Registry setup");
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0], "File type '.txt' is associated with 'other.desktop'\nAssociate with 'DigitalAudioFile' instead?\n"
                            "(Answer no if the other program is more\nspecialized on this particular format)");
    EXPECT_EQ(questions[1].rfind("File type '.wav' is associated with 'other.desktop'", 0), 0u);
    EXPECT_EQ(host.messages.back().buttons, Buttons::YesNo);
    EXPECT_EQ(host.messages.back().defaultAnswer, Answer::No);

    EXPECT_EQ(InstallRecord(registry).at("VersionNumber"), RegValue::String("2.0"));
    EXPECT_EQ(InstallRecord(registry).at("Location"), RegValue::String(program));
    EXPECT_EQ(::Run("desktop-file-validate " + Quoted(registry.DesktopEntryPath())), 0);
    const std::string entry = Text(registry.DesktopEntryPath());
    EXPECT_NE(entry.find("Exec=" + program + " %f\n"), std::string::npos);
    EXPECT_NE(entry.find("[Desktop Action Play]\nName=Play\nExec=" + program + " -AP %f\n"), std::string::npos);
    EXPECT_NE(Text(registry.MimePackagePath()).find("<glob pattern=\"*.efe\"/>"), std::string::npos);
    EXPECT_EQ(Text(registry.MimePackagePath()).find("*.wav"), std::string::npos);  // the system knows it

    // The tools saw the package: the database maps the new glob, and xdg-mime finds KOBA.
    const MimeDatabase database(paths);
    EXPECT_EQ(database.TypeOfExtension("efe", ""), "audio/x-koba-efe");
    const auto defaultFor = [&](const std::string& type) {
        return DefaultApplication(paths, MimeDatabase(paths).NamesOf(type));
    };
    EXPECT_EQ(defaultFor("audio/x-koba-efe"), "koba.desktop");
    EXPECT_EQ(defaultFor("audio/x-wav"), "koba.desktop");
    EXPECT_EQ(defaultFor("text/plain"), "other.desktop");
    EXPECT_EQ(defaultFor("audio/x-xm"), "koba.desktop");  // its owner is not installed
    std::string queried;
    if (FILE* pipe = ::popen((Env() + "xdg-mime query default audio/x-koba-efe").c_str(), "r")) {
        char line[256] = "";
        if (std::fgets(line, sizeof line, pipe) != nullptr) queried = line;
        ::pclose(pipe);
    }
    EXPECT_EQ(queried, "koba.desktop\n");
}

TEST_F(Registry, SecondRunIsSilentAndAMovedProgramRegistersAgainWithoutQuestions)
{
    OtherOwners();
    ScriptedHost first;
    RegistrySettings(first, paths, program).Load(*std::make_unique<ProgramSettings>());
    std::filesystem::remove(paths.dataHome + "/applications/koba.desktop");

    ScriptedHost second;
    RegistrySettings again(second, paths, program, ImportTable());
    ProgramSettings settings;
    again.Load(settings);
    EXPECT_TRUE(second.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(again.DesktopEntryPath()));

    const std::string moved = MakeProgram("opt/koba dir/koba");
    ScriptedHost third;
    RegistrySettings relocated(third, paths, moved, ImportTable());
    relocated.Load(settings);
    EXPECT_TRUE(third.messages.empty());
    EXPECT_EQ(InstallRecord(relocated).at("Location"), RegValue::String(moved));
    EXPECT_NE(Text(relocated.DesktopEntryPath()).find("Exec=\"" + moved + "\" %f\n"), std::string::npos);
    EXPECT_EQ(::Run("desktop-file-validate " + Quoted(relocated.DesktopEntryPath())), 0);
}

TEST_F(Registry, StoredVersionsDecideFirstRunsAndLaterVersions)
{
    for (auto [stored, firstRun] : {std::pair{"1.5", true}, std::pair{"2.1", false}}) {
        TempDir fresh;
        DesktopPaths p = paths;
        p.configHome = fresh / "config";
        p.dataHome = fresh / "data";
        RegistrySettings probe(*std::make_unique<ScriptedHost>(), p, program, ImportTable());
        ASSERT_TRUE(SaveRegFile(probe.InstallRecordPath(), {{"VersionNumber", RegValue::String(stored)},
                                                            {"Location", RegValue::String("/elsewhere/koba")}}));
        ScriptedHost host;
        RegistrySettings registry(host, p, program, ImportTable());
        ProgramSettings settings;
        registry.Load(settings);
        const std::vector<std::string> notes = host.Texts("Attention!");
        ASSERT_EQ(notes.size(), 1u) << stored;
        if (firstRun) {
            EXPECT_EQ(notes[0].rfind("Welcome to KOBA v2.0", 0), 0u);
            EXPECT_EQ(LoadRegFile(registry.InstallRecordPath())->at("VersionNumber"), RegValue::String("2.0"));
            EXPECT_TRUE(std::filesystem::exists(registry.DesktopEntryPath()));
        } else {
            EXPECT_EQ(notes[0].rfind("Warning! A later version of KOBA has been installed", 0), 0u);
            EXPECT_EQ(LoadRegFile(registry.InstallRecordPath())->at("VersionNumber"), RegValue::String("2.1"));
            EXPECT_FALSE(std::filesystem::exists(registry.DesktopEntryPath()));
        }
    }
    EXPECT_EQ(StoredVersion("2.0"), 512);
    EXPECT_EQ(StoredVersion("x"), -1);
}

TEST_F(Registry, SettingsRoundTripAndMissingValuesClearFields)
{
    ScriptedHost host;
    RegistrySettings registry(host, paths, program, ImportTable());
    ProgramSettings saved;
    saved.szLastFile = "/music/piano.pat";
    saved.szLastOutDir = "/music/out";
    saved.LastExp[0] = 3, saved.LastExp[1] = 1, saved.LastExp[2] = 4, saved.LastExp[3] = 2;
    saved.mtEnable = 0, saved.mtInDev = -1, saved.mtOutDev = 2, saved.dacOutDev = 5;
    ASSERT_TRUE(registry.Save(saved));
    ProgramSettings loaded;
    registry.Load(loaded);
    EXPECT_EQ(loaded.szLastFile, "/music/piano.pat");
    EXPECT_EQ(loaded.szLastOutDir, "/music/out");
    EXPECT_EQ(loaded.LastExp[0], 3u);
    EXPECT_EQ(loaded.LastExp[1], 1u);
    EXPECT_EQ(loaded.LastExp[2], 4u);
    EXPECT_EQ(loaded.LastExp[3], 0u);  // the wavesample's choice is not kept between runs
    EXPECT_EQ(loaded.mtEnable, 0u);
    EXPECT_EQ(loaded.mtInDev, -1);
    EXPECT_EQ(loaded.mtOutDev, 2);
    EXPECT_EQ(loaded.dacOutDev, 5u);
    EXPECT_EQ(LoadRegFile(registry.SettingsPath())->at("LastExp").bytes.size(), 12u);

    ASSERT_TRUE(SaveRegFile(registry.SettingsPath(), {{"szLastFile", RegValue::String("/x")}}));
    ProgramSettings partial;
    registry.Load(partial);
    EXPECT_EQ(partial.szLastFile, "/x");
    EXPECT_EQ(partial.mtEnable, 0u);  // missing: cleared, not the default 1
    EXPECT_EQ(partial.mtInDev, 0);
}

TEST_F(Registry, AnUnreadableSettingsFileKeepsTheDefaults)
{
    ScriptedHost host;
    RegistrySettings registry(host, paths, program, ImportTable());
    std::filesystem::create_directories(registry.SettingsPath());  // a folder where the file should be
    ProgramSettings settings;
    registry.Load(settings);
    EXPECT_EQ(settings.mtEnable, 1u);
}

TEST_F(Registry, AFailedWriteWarns)
{
    ScriptedHost host;
    RegistrySettings registry(host, paths, program, ImportTable());
    std::filesystem::create_directories(paths.configHome);
    WriteFileBytes(paths.configHome + "/VEK-Software", {1});  // a file where the folder should be
    registry.Save(ProgramSettings{});
    EXPECT_EQ(host.Texts("Attention!"), (std::vector<std::string>{"Can't write to the Registry"}));
}

TEST_F(Registry, UninstallRemovesExactlyKobasTraces)
{
    OtherOwners();
    ScriptedHost host;
    host.QueueAnswer(Answer::No);
    host.QueueAnswer(Answer::Yes);
    RegistrySettings registry(host, paths, program, ImportTable());
    ProgramSettings settings;
    registry.Load(settings);
    registry.Save(settings);
    ASSERT_TRUE(registry.Uninstall());
    for (const std::string& path : {registry.SettingsPath(), registry.InstallRecordPath(), registry.DesktopEntryPath(),
                                    registry.MimePackagePath()}) {
        EXPECT_FALSE(std::filesystem::exists(path)) << path;
    }
    const std::string list = Text(paths.configHome + "/mimeapps.list");
    EXPECT_EQ(list.find("koba.desktop"), std::string::npos);
    EXPECT_NE(list.find("text/plain=other.desktop;"), std::string::npos);
    EXPECT_NE(list.find("audio/wav=other.desktop;"), std::string::npos) << "the program KOBA took over from is back";
    EXPECT_NE(list.find("audio/x-xm=gone.desktop;"), std::string::npos) << "the user's own entries stay";
    EXPECT_EQ(MimeDatabase(paths).TypeOfExtension("efe", ""), "");
    registry.Save(settings);
    registry.Load(settings);
    EXPECT_FALSE(std::filesystem::exists(registry.SettingsPath()));
    EXPECT_FALSE(std::filesystem::exists(registry.InstallRecordPath()));
}

}  // namespace
