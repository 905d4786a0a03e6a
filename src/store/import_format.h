// Rows of the import format table and the detection over them; the table itself belongs to
// the formats and is handed to the store by the front end.
#pragma once

#include <cstdint>
#include <span>
#include <string>

class WaveStore;
class File;

constexpr std::size_t kDetectBytes = 512;

// Creates the items of an open file (positioned at 0); false with LastError on failure.
using ReadFunction = bool (*)(WaveStore& store, File& file);
// Content test on the file's first 512 bytes (zero-filled past the end): 0 no, 1 weak, 2 sure.
using DetectFunction = int (*)(std::span<const std::uint8_t, kDetectBytes> head);

struct ImportFormat {
    const char* extension;  // without the dot, lower case; "*" for raw data
    ReadFunction read;
    DetectFunction detect;
    const char* description;
    const char* location;  // the error location of the row's reader
};

// The text after the last '.' of the whole path (the whole path when it has none): what an
// import row's or export row's extension is compared with.
std::string ExtensionOf(const std::string& path);

int DetectImportFormat(const WaveStore& store, const std::string& path, const File& file);
// The row, or null when the index is outside the table.
const ImportFormat* GetImportFormat(const WaveStore& store, int index);

// Detectors shared by rows.
int AlwaysWeak(std::span<const std::uint8_t, kDetectBytes> head);
