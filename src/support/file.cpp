// Files by operating-system handle.
#include "support/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <strings.h>

File::File(File&& other) noexcept : fd_(other.fd_), writeError_(other.writeError_)
{
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        writeError_ = other.writeError_;
        other.fd_ = -1;
    }
    return *this;
}

File::~File()
{
    Close();
}

void File::Close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

File File::OpenRead(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return File();
    File file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return File();
    if (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)) return file;
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return File();
}

File File::Create(const std::string& path)
{
    return File(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
}

File File::CreateUnique(const std::string& folder, const std::string& stem, std::string& path)
{
    std::string pattern = (folder.empty() ? std::string(".") : folder) + "/" + stem + "XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return File();
    // mkostemp creates 0600; give the file the permissions an ordinary create would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    path = pattern;
    return File(fd);
}

std::size_t File::ReadAt(std::uint64_t position, void* buffer, std::size_t count) const
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, count - done,
                                  static_cast<off_t>(position + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool File::Write(const void* data, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, static_cast<const char*>(data) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            writeError_ = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool File::WriteAt(std::uint64_t position, const void* data, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(fd_, static_cast<const char*>(data) + done, count - done,
                                   static_cast<off_t>(position + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            writeError_ = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::uint64_t File::Tell() const
{
    const off_t position = ::lseek(fd_, 0, SEEK_CUR);
    return position < 0 ? 0 : static_cast<std::uint64_t>(position);
}

std::uint64_t File::Size() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return 0;
    if (S_ISREG(st.st_mode)) return static_cast<std::uint64_t>(st.st_size);
    const off_t end = ::lseek(fd_, 0, SEEK_END);  // block devices report no size in stat
    const off_t back = ::lseek(fd_, 0, SEEK_SET);
    return end < 0 || back < 0 ? 0 : static_cast<std::uint64_t>(end);
}

FileIdentity IdentityOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), true};
}

bool F_SPAWNEXE(const std::string& program, const std::vector<std::string>& arguments)
{
    if (::access(program.c_str(), X_OK) != 0) return false;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // Two forks so that the started program is not our child and leaves no zombie behind.
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        ::setsid();
        if (::fork() == 0) {
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}


std::string FindAnyCase(const std::string& folder, const std::string& name)
{
    const std::filesystem::path dir = folder.empty() ? "." : folder;
    const auto in = [&](const std::string& file) { return folder.empty() ? file : (dir / file).string(); };
    std::error_code error;
    if (std::filesystem::exists(dir / name, error)) return in(name);
    std::string found;
    for (std::filesystem::directory_iterator entry(dir, error), end; !error && entry != end; entry.increment(error)) {
        const std::string candidate = entry->path().filename().string();
        if (strcasecmp(candidate.c_str(), name.c_str()) == 0 && (found.empty() || candidate < found)) {
            found = candidate;
        }
    }
    return found.empty() ? found : in(found);
}
