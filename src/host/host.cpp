// Host defaults shared by every implementation.
#include "host/host.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/file.h"

std::string Host::TempFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

// A folder made for the run, removed at exit when it is empty again.
class RunFolder {
public:
    const std::string& Path(const std::string& parent)
    {
        if (path_.empty()) {
            std::string pattern = parent + "/koba-XXXXXX";
            if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
        }
        return path_;
    }
    ~RunFolder()
    {
        if (!path_.empty()) ::rmdir(path_.c_str());
    }

private:
    std::string path_;
};

static bool IsPrivateFolder(const char* path)
{
    struct stat s {};
    return path != nullptr && *path == '/' && ::stat(path, &s) == 0 && S_ISDIR(s.st_mode) && s.st_uid == ::getuid() &&
           (s.st_mode & 077) == 0;
}

std::string Host::PrivateFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (IsPrivateFolder(runtime)) return runtime;
    static RunFolder folder;
    return folder.Path(TempFolder());
}

bool Host::StartProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    return F_SPAWNEXE(program, arguments);
}

std::string Host::ProgramFolder()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "./" : self.parent_path().string() + "/";
}

void Host::WaitOneSecond()
{
    std::this_thread::sleep_for(std::chrono::seconds(1));
}

void Host::Exit(int code)
{
    std::exit(code);
}

void Host::Warn(std::string_view text)
{
    Ask({std::string(text), "Attention!", Buttons::Ok, MessageIcon::Exclamation, Answer::Ok});
}

void Host::ReportLosses(const std::vector<std::string>& losses)
{
    for (const std::string& loss : losses) Warn(loss);
}

void Host::Fatal(std::string_view text)
{
    Ask({std::string(text), "QUIT!", Buttons::Ok, MessageIcon::Error, Answer::Ok});
    Exit(1);
    std::exit(1);  // an Exit override must not return
}
