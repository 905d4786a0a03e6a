// The fuzz harness's work, shared by the libFuzzer targets and the regression replay.
#include "fuzz_import.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>

#include "formats/format_tables.h"
#include "host/console_host.h"
#include "store/data_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"

namespace {

// A folder of this process's own, in memory where the system has one (exports sync their
// files, which costs nothing there), removed at exit.
struct ScratchFolder {
    ScratchFolder()
    {
        const std::filesystem::path base =
            std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        path = (base / ("koba-fuzz-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
    std::string path;
};

const std::string& Scratch()
{
    static const ScratchFolder folder;
    return folder.path;
}

class DiscardSink : public SampleSink {
public:
    bool Take(const PcmFormat&, std::uint8_t*, std::uint32_t) override { return true; }
};

// The raw-data page filled from the input's first bytes, so that raw layouts are fuzzed too.
void FillRawPage(WaveStore& store, ItemId item, const std::uint8_t* data, std::size_t size)
{
    WavesampleRec* wave = store.FetchWave(item);
    if (wave == nullptr) return;
    const auto byte = [&](std::size_t at) -> unsigned { return at < size ? data[at] : 0; };
    DataFormatChoice choice = DataFormatInitial(*wave);
    choice.type = static_cast<DataType>(byte(0) % 5);
    choice.isSigned = (byte(0) & 0x10) != 0;
    choice.stereo = (byte(0) & 0x20) != 0;
    choice.byteSwap = (byte(0) & 0x40) != 0;
    choice.sampleRate = 1000 + byte(1) * 200;
    choice.dataOffset = byte(2);
    if ((byte(0) & 0x80) != 0) choice.sampleSize = byte(3) * 64;
    DataFormatApply(choice, *wave, store.fileSize);
}

// Every writer on the bank, the folder and the first items of each kind: the bank already
// carries every wavesample, and thousands of single exports would only cost time.
void ExportEverything(WaveStore& store)
{
    constexpr std::size_t kItemsPerKind = 16;
    std::vector<ItemId> items;
    std::size_t waves = 0, instruments = 0;
    store.ForEachItem([&](ItemId id, const void*) {
        std::size_t& count = IsWave(id) ? waves : instruments;
        if (IsWave(id) || IsInstrument(id)) {
            if (++count > kItemsPerKind) return;
        }
        items.push_back(id);
    });
    for (const ItemId id : items) {
        for (const ExportFormat& row : store.ExportRows()) {
            if (row.noFile || (row.kindMask & id & kKindMask) == 0) continue;
            const std::string target = Scratch() + "/output." + row.extension;
            (void)store.Exp(target, id);
            std::filesystem::remove(target);
            std::filesystem::remove_all(Scratch() + "/output");  // an SFZ instrument's samples
        }
    }
}

}  // namespace

int FuzzImport(const std::string& extension, const std::uint8_t* data, std::size_t size)
{
    const std::string path = Scratch() + "/input." + (extension == "*" ? "fuzz" : extension);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::ostream discard(nullptr);
    ConsoleHost host(discard);
    host.SetPolicy(ConsoleHost::Policy::Accept);
    host.SetPropertySheet([&](WaveStore& store, ItemId item, int) { FillRawPage(store, item, data, size); });
    WaveStore store(host, ImportTable(), ExportTable());
    if (store.Imp(path)) {
        store.ForEachItem([](ItemId id, const void* record) {
            DiscardSink sink;
            if (IsWave(id)) (void)CopyWave(*static_cast<const WavesampleRec*>(record), sink);
        });
        ExportEverything(store);
    }
    std::filesystem::remove(path);
    return 0;
}
