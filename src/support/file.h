// Files by operating-system handle: a handle that closes itself, file identity, and starting a
// program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class File {
public:
    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    // Regular files and block devices (sampler disks) only; a folder does not open. On failure
    // errno says why.
    static File OpenRead(const std::string& path);
    // Creates or truncates; readable too, because some writers read back what they wrote.
    static File Create(const std::string& path);
    // A new file with a unique name in `folder`, created exclusively; `path` receives its name.
    static File CreateUnique(const std::string& folder, const std::string& stem, std::string& path);

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Close();

    // Reads at an absolute position without moving the current one.
    std::size_t ReadAt(std::uint64_t position, void* buffer, std::size_t count) const;
    [[nodiscard]] bool Write(const void* data, std::size_t count);
    // Writes at an absolute position without moving the current one (a size written after
    // its data).
    [[nodiscard]] bool WriteAt(std::uint64_t position, const void* data, std::size_t count);
    // Sticky: some write since opening failed (a full disk), so the file is not to be kept;
    // WriteError() is the system's reason (an errno value).
    bool WriteFailed() const { return writeError_ != 0; }
    int WriteError() const { return writeError_; }
    std::uint64_t Tell() const;
    std::uint64_t Size() const;

private:
    explicit File(int fd) : fd_(fd) {}
    int fd_ = -1;
    int writeError_ = 0;
};

// Identity of a file on disk (device and inode), to tell whether two names are one file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool exists = false;
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity IdentityOf(const std::string& path);

// The file named `name` in `folder`, in any letter case (the name as given first, else the
// first in byte order of those equal to it ignoring case); empty when there is none.
std::string FindAnyCase(const std::string& folder, const std::string& name);

// Starts `program` with `arguments` and does not wait for it.
bool F_SPAWNEXE(const std::string& program, const std::vector<std::string>& arguments);
