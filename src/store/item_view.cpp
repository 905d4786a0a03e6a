// How items are shown.
#include "store/item_view.h"
#include "support/text.h"

#include <cstdio>
#include <cstring>

#include "store/wave_store.h"

namespace {

TreeNode Leaf(ItemId id, const WavesampleRec& wave)
{
    return {id, wave.name, ItemImage::Wavesample, {}};
}

}  // namespace

TreeNode BuildItemTree(WaveStore& store)
{
    const BankRec* bank = store.FetchBank();
    TreeNode root{kBankId, bank != nullptr ? bank->name : "", ItemImage::Bank, {}};
    int instruments = 0;
    store.ForEachItem([&](ItemId id, const void* record) {
        if (!IsInstrument(id)) return;
        ++instruments;
        const auto& instrument = *static_cast<const InstrumentRec*>(record);
        TreeNode node{id, instrument.name, ItemImage::Instrument, {}};
        for (int r = 0; r < instrument.layer.regionCount; ++r) {
            const ItemId waveId = instrument.layer.regions[r].wave;
            if (const WavesampleRec* wave = store.FetchWave(waveId)) node.children.push_back(Leaf(waveId, *wave));
        }
        root.children.push_back(std::move(node));
    });
    store.ForEachItem([&](ItemId id, const void* record) {
        const auto* wave = static_cast<const WavesampleRec*>(record);
        if (IsWave(id) && wave->owner == NO_ITEM) root.children.push_back(Leaf(id, *wave));
    });
    if (instruments > 1) {
        const FolderRec* folder = store.NewFolder(0, "All Wavesamples");
        TreeNode all{kFolderKind, folder->name, ItemImage::Folder, {}};
        store.ForEachItem([&](ItemId id, const void* record) {
            if (IsWave(id)) all.children.push_back(Leaf(id, *static_cast<const WavesampleRec*>(record)));
        });
        root.children.push_back(std::move(all));
    }
    return root;
}

std::string ItemSummary(const WaveStore& store, ItemId id)
{
    char text[160] = "";
    if (IsFolder(id)) return "Folder: Contains all wavesamples";
    if (const WavesampleRec* w = store.FetchWave(id)) {
        std::snprintf(text, sizeof text, "Wave: [%d:%d:%d], %lluKs, %llukHz, %db", w->lowKey, w->rootKey, w->highKey,
                      (w->length + 500ull) / 1000, (w->sampleRate + 500ull) / 1000, w->layout.bits);
    } else if (const InstrumentRec* i = store.FetchInstrument(id)) {
        std::snprintf(text, sizeof text, "Inst: %u waves, %lluKB", i->waveCount, (i->totalBytes + 512ull) / 1024);
    } else if (IsBank(id) && store.FetchBank() != nullptr) {
        const ImportFormat* row = GetImportFormat(store, store.formatIndex);
        return std::string("Bank: ") + (row != nullptr ? row->description : "");
    }
    return text;
}

std::string ProposedFileName(const char* name)
{
    // Every letter stays; only what a file name cannot hold, or should not (a path
    // separator, control characters), becomes '_'.
    std::string proposed = ToUtf8(name);
    for (char& c : proposed) {
        if (c == '/' || (static_cast<unsigned char>(c) < 32) || c == 127) c = '_';
    }
    return proposed.empty() || proposed == "." || proposed == ".." ? "unnamed" : proposed;
}

const char* KindWord(ItemId id)
{
    if ((id & kBankId) != 0) return "bank file";
    if ((id & kFolderKind) != 0) return "folder";
    if ((id & kInstrumentKind) != 0) return "instrument";
    return "wavesample";
}
