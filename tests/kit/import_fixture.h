// The fixture most reader and store tests share: a store with the real format tables and a
// scripted host, a file built in the test imported through the real driver, and lookups.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "kit/bytes.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/wave_store.h"

// A store with the import and export tables of the formats.
class KobaStore : public WaveStore {
public:
    explicit KobaStore(Host& host);
};

// Writes a SoundFont bank at `path` of loose 50-sample wavesamples named `names`, their data in
// `path` + ".raw".
void WriteBankOfNames(const std::string& path, const std::vector<std::string>& names);

struct ImportFixture : ::testing::Test {
    ScriptedHost host;
    KobaStore store{host};

    // Writes `file` as `name` in a folder of its own and imports it.
    bool Import(const Bytes& file, const std::string& name);
    const WavesampleRec& Wave(std::uint32_t index = 1) const;
    const InstrumentRec& Instrument(std::uint32_t index = 1) const;
    // Items whose id has the kind bits (kBankId counts the bank).
    std::size_t Count(ItemId kind) const;

    // Cuts `full` at every length from `from` on (in steps of `step`) and imports each cut:
    // no crash, no more than `maxItems` items, every wavesample's copy succeeds and delivers
    // its length, and nothing decodes to more than a small multiple of the file's bytes.
    void SweepTruncations(const Bytes& full, const std::string& name, std::size_t maxItems, std::size_t from = 0,
                          std::size_t step = 1);

    // Each file imported as `name`, then swept in steps of `step` with room for its own items and two more.
    struct Cut {
        Bytes file;
        std::string name;
        std::size_t step = 1;
    };
    void SweepEachTruncation(std::span<const Cut> cases);

    std::unique_ptr<TempFile> file;
};
