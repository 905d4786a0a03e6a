// Files by operating-system handle.
#include "support/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>

#include "support/last_error.h"
#include "support/memory.h"

File::File(File&& other) noexcept : fd_(other.fd_), writeFailed_(other.writeFailed_)
{
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        writeFailed_ = other.writeFailed_;
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
    if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) return File();
    return file;
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

std::size_t File::Read(void* buffer, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
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
            writeFailed_ = true;
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
            writeFailed_ = true;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool File::Seek(std::uint64_t position)
{
    return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0;
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

bool F_COPY(int source, int destination, std::uint32_t count)
{
    constexpr std::size_t kChunk = 129072;
    std::unique_ptr<void, decltype(&M_FREE)> buffer(M_ALLOC(kChunk), M_FREE);
    if (!buffer) return Fail("f_Copy", "Out of memory");
    while (count > 0) {
        const std::size_t n = count < kChunk ? count : kChunk;
        const ssize_t got = ::read(source, buffer.get(), n);
        if (got > 0 && ::write(destination, buffer.get(), static_cast<std::size_t>(got)) < 0) break;
        if (got <= 0) break;
        count -= static_cast<std::uint32_t>(got);
    }
    return true;
}

// Renames; across file systems (where a rename cannot work) copies and deletes instead.
bool F_MOVE(const std::string& from, const std::string& to)
{
    if (from != to) ::unlink(to.c_str());
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    if (errno != EXDEV) return false;
    File in = File::OpenRead(from);
    File out = File::Create(to);
    if (!in.IsOpen() || !out.IsOpen()) return false;
    const std::uint64_t size = in.Size();
    std::uint64_t done = 0;
    while (done < size) {
        const std::uint32_t piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(size - done, 1u << 30));
        if (!F_COPY(in.Fd(), out.Fd(), piece)) return false;
        done += piece;
    }
    if (out.Tell() != size) return false;
    return ::unlink(from.c_str()) == 0;
}

bool F_READLN(int handle, char* buffer, std::size_t size)
{
    std::size_t used = 0;
    char c = 0;
    bool lineEnd = false;
    while (true) {
        const ssize_t n = ::read(handle, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (c == '\n') {
            lineEnd = true;
            break;
        }
        if (c != '\r' && used + 1 < size) buffer[used++] = c;
    }
    if (size > 0) buffer[used] = '\0';
    return lineEnd;
}

bool F_WRITELN(int handle, const char* text)
{
    const std::size_t length = std::strlen(text);
    [[maybe_unused]] ssize_t written = ::write(handle, text, length);
    written = ::write(handle, "\r\n", 2);
    return true;
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

const char* F_GETDOTPOS(const char* text)
{
    const char* dot = std::strchr(text, '.');
    return dot != nullptr ? dot : text + std::strlen(text);
}

char* F_GETDOTPOS(char* text)
{
    return const_cast<char*>(F_GETDOTPOS(static_cast<const char*>(text)));
}

bool F_LOAD(const std::string& path, void* buffer, std::size_t maxLength, std::size_t* length)
{
    File file = File::OpenRead(path);
    if (!file.IsOpen()) return Fail("f_Load", "Couldn't open input file");
    const std::uint64_t size = file.Size();
    if (size > maxLength) return Fail("f_Load", "File length exceeds MaxLength");
    const std::size_t got = file.Read(buffer, static_cast<std::size_t>(size));
    if (length != nullptr) *length = got;
    return true;
}

std::uint64_t F_REPORTFREEDISK(const std::string& path)
{
    struct statvfs st {};
    if (::statvfs(path.c_str(), &st) != 0) return 0;
    return std::uint64_t{st.f_bavail} * st.f_frsize;
}
