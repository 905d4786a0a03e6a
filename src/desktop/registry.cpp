// Settings and file associations on a freedesktop system.
#include "desktop/registry.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <strings.h>
#include <vector>

#include "desktop/koba_icon.h"
#include "desktop/reg_file.h"
#include "desktop/text_file.h"
#include "host/host.h"

namespace {

constexpr int kThisVersion = 2 * 256 + 0;
constexpr char kCantWrite[] = "Can't write to the Registry";

// An Exec argument as the desktop entry format wants it: quoted when it holds a reserved
// character, then with the backslashes of a string value doubled.
std::string ExecArgument(const std::string& argument)
{
    const bool plain = argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos;
    std::string quoted;
    if (!plain) quoted.push_back('"');
    for (char c : argument) {
        if (!plain && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted += '\\';
        quoted += c;
    }
    if (!plain) quoted.push_back('"');
    std::string value;
    for (char c : quoted) {
        if (c == '\\') value += '\\';
        value += c;
    }
    return value;
}

}  // namespace

int StoredVersion(const std::string& text)
{
    int major = 0;
    int minor = 0;
    if (std::sscanf(text.c_str(), "%d.%d", &major, &minor) != 2) return -1;
    return major * 256 + minor;
}

RegistrySettings::RegistrySettings(Host& host, DesktopPaths paths, std::string programPath,
                                   std::span<const ImportFormat> rows)
    : host_(host), paths_(std::move(paths)), programPath_(std::move(programPath)), rows_(rows)
{
}

std::string RegistrySettings::SettingsPath() const
{
    return paths_.configHome + "/VEK-Software/KOBA.conf";
}

std::string RegistrySettings::InstallRecordPath() const
{
    return paths_.dataHome + "/VEK-Software/KOBA/install.conf";
}

std::string RegistrySettings::DesktopEntryPath() const
{
    return paths_.dataHome + "/applications/" + kDesktopId;
}

std::string RegistrySettings::MimePackagePath() const
{
    return paths_.dataHome + "/mime/packages/koba.xml";
}

void RegistrySettings::WarnUnlessWritten(bool written)
{
    if (!written) host_.Warn(kCantWrite);
}

bool RegistrySettings::Load(ProgramSettings& settings)
{
    if (uninstalled_) return true;
    CheckInstallation();
    const std::string path = SettingsPath();
    if (!std::filesystem::exists(path) && !SaveRegFile(path, {})) return true;  // cannot be opened: defaults stay
    const std::optional<RegValues> values = LoadRegFile(path);
    if (!values) return true;
    const auto text = [&](const char* name) {
        const auto it = values->find(name);
        return it != values->end() && it->second.type == RegValue::Type::String ? it->second.text : std::string();
    };
    const auto number = [&](const char* name) {
        const auto it = values->find(name);
        return it != values->end() && it->second.type == RegValue::Type::Dword ? it->second.dword : 0u;
    };
    settings.szLastFile = text("szLastFile");
    settings.szLastOutDir = text("szLastOutDir");
    std::fill(std::begin(settings.LastExp), std::end(settings.LastExp), 0u);
    if (const auto it = values->find("LastExp"); it != values->end() && it->second.type == RegValue::Type::Binary) {
        const std::vector<std::uint8_t>& bytes = it->second.bytes;
        for (std::size_t i = 0; i < std::min<std::size_t>(bytes.size(), 12); ++i) {
            settings.LastExp[i / 4] |= std::uint32_t{bytes[i]} << (8 * (i % 4));
        }
    }
    settings.mtEnable = number("mtEnable");
    settings.mtInDev = static_cast<std::int32_t>(number("mtInDev"));
    settings.mtOutDev = static_cast<std::int32_t>(number("mtOutDev"));
    settings.dacOutDev = number("dacOutDev");
    return true;
}

bool RegistrySettings::Save(const ProgramSettings& settings)
{
    if (uninstalled_) return true;
    std::vector<std::uint8_t> lastExp;
    for (int i = 0; i < 3; ++i) {
        for (int b = 0; b < 4; ++b) lastExp.push_back(static_cast<std::uint8_t>(settings.LastExp[i] >> (8 * b)));
    }
    const RegValues values = {
        {"szLastFile", RegValue::String(settings.szLastFile)},
        {"szLastOutDir", RegValue::String(settings.szLastOutDir)},
        {"LastExp", RegValue::Binary(lastExp)},
        {"mtEnable", RegValue::Dword(settings.mtEnable)},
        {"mtInDev", RegValue::Dword(static_cast<std::uint32_t>(settings.mtInDev))},
        {"mtOutDev", RegValue::Dword(static_cast<std::uint32_t>(settings.mtOutDev))},
        {"dacOutDev", RegValue::Dword(settings.dacOutDev)},
    };
    WarnUnlessWritten(SaveRegFile(SettingsPath(), values));
    return true;
}

void RegistrySettings::CheckInstallation()
{
    const std::string record = InstallRecordPath();
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(record).parent_path(), error);
    if (error) return;  // no place for the record: no version check, no registration
    const RegValues stored = LoadRegFile(record).value_or(RegValues{});
    const auto value = [&](const char* name) -> const RegValue* {
        const auto it = stored.find(name);
        return it != stored.end() && it->second.type == RegValue::Type::String ? &it->second : nullptr;
    };
    const int version = value("VersionNumber") != nullptr ? StoredVersion(value("VersionNumber")->text) : -1;
    const bool firstRun = version < kThisVersion;
    if (firstRun) host_.Warn("Welcome to KOBA v2.0 - Audio & Wavetable Instrument Converter & Player!");
    if (version > kThisVersion) {
        host_.Warn("Warning! A later version of KOBA has been installed somewhere on this system!\n"
                   "It is recommended that you use only the latest version of this software.");
        return;
    }
    const RegValue* location = value("Location");
    const bool moved = location == nullptr || strcasecmp(location->text.c_str(), programPath_.c_str()) != 0;
    if (!moved && !firstRun) return;
    WarnUnlessWritten(SaveRegFile(record, {{"VersionNumber", RegValue::String("2.0")},
                                           {"Location", RegValue::String(programPath_)}}));
    RegisterFileType(firstRun);
}

// Every import extension gets a MIME type: the one the system already knows for it, or one of
// KOBA's own. The raw-data row "*" has no glob to register and is left out. Each extension is
// handled once, though two rows share "snd".
void RegistrySettings::RegisterFileType(bool firstRun)
{
    const MimeDatabase database(paths_);
    std::vector<std::pair<std::string, std::string>> types;  // extension → type, in row order
    std::string package =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (const ImportFormat& row : rows_) {
        const std::string extension = row.extension;
        if (extension == "*") continue;
        if (std::any_of(types.begin(), types.end(), [&](const auto& t) { return t.first == extension; })) continue;
        std::string type = database.TypeOfExtension(extension, kOwnTypePrefix);
        if (type.empty()) {
            type = kOwnTypePrefix + extension;
            package += "  <mime-type type=\"" + type + "\">\n    <comment>Digital audio file</comment>\n"
                       "    <glob pattern=\"*." + extension + "\"/>\n  </mime-type>\n";
        }
        types.emplace_back(extension, type);
    }
    package += "</mime-info>\n";

    std::string mimeTypes;
    for (const auto& [extension, type] : types) {
        if (mimeTypes.find(type + ";") == std::string::npos) mimeTypes += type + ";";
    }
    const std::string program = ExecArgument(programPath_);
    const std::string entry = "[Desktop Entry]\nType=Application\nVersion=1.0\nName=KOBA\n"
                              "GenericName=Audio and wavetable instrument converter and player\n"
                              "Comment=KOBA v2.0: open, convert and play sampled sounds and wavetable instruments\n"
                              "Exec=" + program + " %f\nIcon=koba\nTerminal=false\nCategories=AudioVideo;Audio;\n"
                              "MimeType=" + mimeTypes + "\nActions=Play;\n\n"
                              "[Desktop Action Play]\nName=Play\nExec=" + program + " -AP %f\n";
    WarnUnlessWritten(WriteTextFile(MimePackagePath(), package) && WriteTextFile(DesktopEntryPath(), entry) &&
                      WriteTextFile(paths_.dataHome + "/icons/hicolor/scalable/apps/koba.svg", kKobaIconSvg));
    RunAndWait("update-mime-database", {paths_.dataHome + "/mime"});
    RunAndWait("update-desktop-database", {paths_.dataHome + "/applications"});
    if (!firstRun) return;
    for (const auto& [extension, type] : types) Associate(database, extension, type);
}

// KOBA becomes the default only for its own types and for audio; any other type it reads (an
// extension can mean something else to the system: ".txt", ".pat", ".krz") is offered in
// "Open With" and never taken over.
void RegistrySettings::Associate(const MimeDatabase& database, const std::string& extension, const std::string& type)
{
    if (!type.starts_with("audio/")) {
        WarnUnlessWritten(AddApplication(paths_, Association::OpenWith, database.NamesOf(type), kDesktopId));
        return;
    }
    const std::string current = DefaultApplication(paths_, database.NamesOf(type));
    if (!current.empty() && current != kDesktopId && DesktopEntryExists(paths_, current)) {
        const std::string text = "File type '." + extension + "' is associated with '" + current +
                                 "'\nAssociate with 'DigitalAudioFile' instead?\n(Answer no if the other program is more\n"
                                 "specialized on this particular format)";
        const Answer answer = host_.Ask({text, "KOBA: Registry setup", Buttons::YesNo, MessageIcon::Exclamation, Answer::No});
        if (answer != Answer::Yes) return;
    }
    WarnUnlessWritten(AddApplication(paths_, Association::Default, database.NamesOf(type), kDesktopId));
}

bool RegistrySettings::Uninstall()
{
    std::error_code error;
    for (const std::string& path : {SettingsPath(), InstallRecordPath(), DesktopEntryPath(), MimePackagePath(),
                                    paths_.dataHome + "/icons/hicolor/scalable/apps/koba.svg"}) {
        std::filesystem::remove(path, error);
    }
    std::filesystem::remove(std::filesystem::path(InstallRecordPath()).parent_path(), error);  // only when empty
    std::filesystem::remove(std::filesystem::path(SettingsPath()).parent_path(), error);
    RemoveApplication(paths_, kDesktopId);
    RunAndWait("update-mime-database", {paths_.dataHome + "/mime"});
    RunAndWait("update-desktop-database", {paths_.dataHome + "/applications"});
    uninstalled_ = true;
    return true;
}
