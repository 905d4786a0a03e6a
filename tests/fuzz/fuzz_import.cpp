// The fuzz harness's work, shared by the libFuzzer targets and the regression replay.
#include "fuzz_import.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "formats/format_tables.h"
#include "host/host.h"
#include "store/data_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"

namespace {

// Answers every question with its first choice and fills the raw-data page from the input's
// first bytes, so raw layouts are fuzzed too.
class FuzzHost : public Host {
public:
    FuzzHost(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    Answer Ask(const Message& message) override
    {
        return message.buttons == Buttons::YesNo || message.buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
    }
    void ShowItemProperties(WaveStore& store, ItemId item, int) override
    {
        WavesampleRec* wave = store.FetchWave(item);
        if (wave == nullptr) return;
        DataFormatChoice choice = DataFormatInitial(*wave);
        const std::uint8_t flags = Byte(0);
        choice.type = static_cast<DataType>(flags % 5);
        choice.isSigned = (flags & 0x10) != 0;
        choice.stereo = (flags & 0x20) != 0;
        choice.byteSwap = (flags & 0x40) != 0;
        choice.sampleRate = 1000u + Byte(1) * 200u;
        choice.dataOffset = Byte(2);
        if ((flags & 0x80) != 0) choice.sampleSize = Byte(3) * 64u;
        DataFormatApply(choice, *wave, store.fileSize);
    }
    int ShowAudioPlayer(WaveStore&, ItemId) override { return 0; }
    bool SetClipboardWave(std::span<const std::uint8_t>) override { return true; }
    void SetStatus(std::string_view) override {}
    ProgramSettings& Settings() override { return settings_; }

private:
    std::uint8_t Byte(std::size_t at) const { return at < size_ ? data_[at] : 0; }

    const std::uint8_t* data_;
    std::size_t size_;
    ProgramSettings settings_;
};

class DiscardSink : public SampleSink {
public:
    bool Take(const PcmFormat&, std::uint8_t*, std::uint32_t) override { return true; }
};

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
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

const std::string& Scratch()
{
    static const ScratchFolder folder;
    return folder.path;
}

void ExportEverything(WaveStore& store)
{
    std::vector<ItemId> items;
    store.ForEachItem([&](ItemId id, const void*) { items.push_back(id); });
    for (const ItemId id : items) {
        for (const ExportFormat& row : store.ExportRows()) {
            if (row.noFile || (row.kindMask & id & kKindMask) == 0) continue;
            const std::string target = Scratch() + "/output." + row.extension;
            (void)store.Exp(target, id);
            std::filesystem::remove(target);
        }
    }
}

}  // namespace

int FuzzImport(const std::string& extension, const std::uint8_t* data, std::size_t size)
{
    const std::string path = Scratch() + "/input." + (extension == "*" ? "fuzz" : extension);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    FuzzHost host(data, size);
    WaveStore store(host, ImportTable(), ExportTable());
    if (store.Imp(path)) {
        store.ForEachItem([](ItemId id, const void* record) {
            if (!IsWave(id)) return;
            DiscardSink sink;
            (void)CopyWave(*static_cast<const WavesampleRec*>(record), sink);
        });
        ExportEverything(store);
    }
    std::filesystem::remove(path);
    return 0;
}
