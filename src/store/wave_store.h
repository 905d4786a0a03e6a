// The store of the opened file: bank, folder, instruments and wavesamples, in signed key
// order, with the import and export drivers.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/export_format.h"
#include "store/import_format.h"
#include "store/records.h"
#include "support/chain.h"

class Host;

class WaveStore {
public:
    // The front end hands the store the format tables it reads and writes with.
    WaveStore(Host& host, std::span<const ImportFormat> importTable, std::span<const ExportFormat> exportTable);
    ~WaveStore();
    WaveStore(const WaveStore&) = delete;
    WaveStore& operator=(const WaveStore&) = delete;

    void ClearStore();

    // Creation: the record is stored at once (replacing any record under the same id), named by
    // the naming rules and filled with the defaults.
    WavesampleRec* NewWavesample(std::uint32_t index, CopyRoutine copy, const char* name, int nameLength);
    InstrumentRec* NewInstrument(std::uint32_t index, std::uint32_t defaultWave, const char* name,
                                 int nameLength);
    BankRec* NewBank(const char* name, int nameLength);
    FolderRec* NewFolder(std::uint32_t index, const char* name);

    // Unlinks and frees the item; an enumeration in progress stays valid.
    void DeleteItem(ItemId id);
    // Builds an instrument's key regions, wave count and sizes again from its key map.
    void RecountInstrument(ItemId id);
    // Position 0 restarts at the first item; false after the last.
    bool NextItem(std::uint32_t position, ItemId& id, void*& record);

    // Calls `visit(id, record)` for every item in store order, leaving the enumeration cursor
    // alone (so that a walk inside an export cannot disturb one around it). Not for walks that
    // delete: those use NextItem.
    template <class Visit>
    void ForEachItem(Visit&& visit) const
    {
        for (const ChainLink* link = C_NEXT(list); link != nullptr; link = C_NEXT(link)) {
            visit(static_cast<ItemId>(link->key), link->data);
        }
    }

    void* Fetch(ItemId id) const;
    // The name field of any item; null for an id that is not stored.
    char (*NameOf(ItemId id) const)[kNameSize];
    WavesampleRec* FetchWave(ItemId id) const;
    InstrumentRec* FetchInstrument(ItemId id) const;
    BankRec* FetchBank() const;
    FolderRec* FetchFolder(ItemId id) const;

    // Reads a file into the store (cleared first); false with LastError on failure.
    [[nodiscard]] bool Imp(const std::string& path);
    // The file the last import opened (or tried to).
    const std::string& ImportPath() const { return importPath_; }
    // A reader's note that the file ends before what it declares: `missingFrames` samples
    // (0 when only headers are missing). The import says so once when it completes.
    void NoteCutShort(std::uint64_t missingFrames);

    // Writes one item to `path` (its extension picks the row); an existing file there is
    // replaced only when the writer succeeded. False with LastError. What the target could
    // not hold goes to the host once the file is written.
    [[nodiscard]] bool Exp(const std::string& path, ItemId item);
    // The file the export under way writes (empty outside one), for writers that name further
    // files after it.
    const std::string& ExportTarget() const { return exportTarget_; }
    // A further file of the export under way, to be `name` in the folder `folder` beside the
    // target: returns where to write it now, in a staging folder. The driver moves it into
    // place only when the whole export succeeded and removes it otherwise, so that a failed
    // export replaces nothing. Empty with LastError when it cannot be staged.
    std::string StageFile(const std::string& folder, const std::string& name);
    // A writer's note of something the target cannot hold ("Stereo mixed to mono"); each
    // kind is told once per export.
    void NoteLoss(std::string_view what);

    // The files the imported wavesamples read their data from (each once), which no export
    // may overwrite.
    const std::vector<std::string>& SourceFiles() const { return sourceFiles_; }

    std::span<const ImportFormat> ImportRows() const { return importTable_; }
    std::span<const ExportFormat> ExportRows() const { return exportTable_; }
    Host& host;

    std::uint32_t fileSize = 0;
    ChainLink* list = nullptr;
    ChainLink* cursor = nullptr;
    std::uint32_t unnamedWaves = 0;
    std::uint32_t unnamedInsts = 0;
    std::int32_t formatIndex = -1;
    // The raw-data layout and rate last used, kept for the run.
    SampleLayout rawLayout;
    std::uint32_t rawRate = 22050;

private:
    bool ExportFile(const std::string& path, ItemId item);
    void* StoreRecord(std::size_t size, ItemId id);
    std::string UniqueName(ItemId kind, const std::string& name);
    bool NameInUse(ItemId kind, const std::string& name) const;
    void GiveName(ItemId id, char (&field)[kNameSize], const std::string& name);

    void CompleteImport(const std::string& path);
    void CompleteWavesamples(const std::string& path);
    void CompleteInstruments();
    void BuildRegions(InstrumentRec& instrument, ItemId self);

    std::span<const ImportFormat> importTable_;
    std::span<const ExportFormat> exportTable_;
    // Every link of the list by its key, for lookups and inserts in logarithmic time.
    std::map<std::int32_t, ChainLink*> links_;
    // Names given by the naming rules (kind and case-folded text) and the item holding each;
    // an entry whose item was renamed or deleted since no longer counts.
    std::unordered_map<std::string, ItemId> givenNames_;
    // For each name that clashed, the underscores its last clash needed.
    std::unordered_map<std::string, std::size_t> prefixesTried_;
    std::vector<std::string> sourceFiles_;
    std::vector<std::string> losses_;  // of the export under way
    std::string exportTarget_;
    struct StagedFile {
        std::string folder;
        std::string name;
    };
    std::string stagingFolder_;  // empty until a file is staged
    std::vector<StagedFile> staged_;
    bool MoveStagedFiles();
    void RemoveStagingFolder();
    std::string importPath_;
    bool cutShort_ = false;
    std::uint64_t missingFrames_ = 0;
};
