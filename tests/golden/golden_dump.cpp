// Golden dumps: what KOBA reads from a file, as `kobacli info --json` shows it, plus a CRC-32
// of every wavesample's decoded PCM. A dump is written by the reader it checks, so it
// catches changes, not first-time faults; those are the peer-oracle tests' job.
//
//   koba_golden FILE NAME   prints the dump of FILE, naming it NAME (a path relative to
//                           the tree, so that dumps do not depend on where it lies)
#include <iostream>
#include <string>
#include <vector>

#include "cli/json_items.h"
#include "formats/format_tables.h"
#include "host/console_host.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

// CRC-32 (IEEE 802.3, reflected, as zip and PNG use it), bit by bit.
class Crc32Sink : public SampleSink {
public:
    bool Take(const PcmFormat& format, std::uint8_t* data, std::uint32_t frames) override
    {
        const std::size_t bytes = std::size_t{frames} * format.FrameBytes();
        for (std::size_t i = 0; i < bytes; ++i) {
            crc_ ^= data[i];
            for (int bit = 0; bit < 8; ++bit) crc_ = (crc_ >> 1) ^ (0xEDB88320u & (0u - (crc_ & 1u)));
        }
        frames_ += frames;
        return true;
    }
    std::uint32_t Crc() const { return ~crc_; }
    std::uint64_t Frames() const { return frames_; }

private:
    std::uint32_t crc_ = 0xFFFFFFFFu;
    std::uint64_t frames_ = 0;
};

std::string Hex(std::uint32_t value)
{
    char text[11];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// Paths as the tree names them, not as this machine does.
void Rename(nlohmann::ordered_json& items, const std::string& path, const std::string& name)
{
    for (auto& item : items) {
        for (const char* field : {"sourcePath", "path"}) {
            if (item.contains(field) && item[field] == path) item[field] = name;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: koba_golden FILE NAME\n";
        return 2;
    }
    const std::string path = argv[1];
    ConsoleHost host(std::cerr);
    WaveStore store(host, ImportTable(), ExportTable());
    if (!store.Imp(path)) {
        std::cerr << LastError.location << ": " << LastError.message << '\n';
        return 1;
    }
    nlohmann::ordered_json items = ItemsJson(store);
    Rename(items, path, argv[2]);
    nlohmann::ordered_json pcm = nlohmann::ordered_json::array();
    store.ForEachItem([&](ItemId id, const void* record) {
        if (!IsWave(id)) return;
        Crc32Sink sink;
        const bool copied = CopyWave(*static_cast<const WavesampleRec*>(record), sink);
        pcm.push_back({{"id", HexId(id)}, {"frames", sink.Frames()}, {"crc32", copied ? Hex(sink.Crc()) : LastError.message}});
    });
    const ImportFormat* row = GetImportFormat(store, store.formatIndex);
    const nlohmann::ordered_json dump = {
        {"note", "Written by KOBA's reader of this file: it pins behaviour against changes, not first-time faults."},
        {"file", argv[2]},
        {"format", {{"index", store.formatIndex}, {"extension", row->extension}, {"description", row->description}}},
        {"items", items},
        {"pcm", pcm}};
    std::cout << dump.dump(1) << '\n';
    return 0;
}
