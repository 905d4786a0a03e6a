// Self-deleting temporary folders and files for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kit/bytes.h"

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

class TempFile {
public:
    // A file named `name` in a folder of its own, holding `bytes`.
    TempFile(const std::string& name, const std::vector<std::uint8_t>& bytes);
    TempFile(const std::string& name, const Bytes& bytes) : TempFile(name, bytes.Data()) {}

    const std::string& Path() const { return path_; }
    const TempDir& Dir() const { return dir_; }

private:
    TempDir dir_;
    std::string path_;
};

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
