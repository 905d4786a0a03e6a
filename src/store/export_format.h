// Rows of the export format table (one per output, file or pseudo-target); the table itself
// belongs to the formats and is handed to the store by the front end.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "store/records.h"

class WaveStore;
class File;

// Writes one item from the current position of `file` (null for rows that write no file);
// false with LastError. Refuses item kinds it cannot write.
using WriteFunction = bool (*)(WaveStore& store, File* file, ItemId item);

struct ExportFormat {
    const char* extension;  // without the dot; pseudo-targets in single quotes
    WriteFunction write;
    const char* description;
    std::uint32_t kindMask;  // the ItemId kind bits the row accepts
    bool noFile;             // the writer makes its own output
    const char* location;    // the writer's error location
};

// The first row whose extension equals the name's (ignoring case), or -1.
int FindExportFormat(const WaveStore& store, const std::string& name);
const ExportFormat* GetExportFormat(const WaveStore& store, int index);

// The refusal every writer gives an item kind it cannot write: "Export type not supported by .WAV".
bool RefuseKind(const char* location, const char* formatName);

// The loop a writer writes: inside the sample (0 ≤ start ≤ end ≤ length). A loop that had to
// be moved there is noted as a loss of the export.
struct LoopPoints {
    std::uint32_t start;
    std::uint32_t end;
};
LoopPoints LoopToWrite(WaveStore& store, const WavesampleRec& wave);
// Notes what writing a wavesample as 16-bit data (mixed to mono when `mono`) gives up.
void NoteSampleLosses(WaveStore& store, const WavesampleRec& wave, bool mono);
