// The store as one JSON document.
#include "cli/json_items.h"

#include <cstdio>

#include "store/item_view.h"
#include "support/text.h"
#include "store/wave_store.h"

std::string HexId(std::uint32_t id)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", id);
    return text;
}

namespace {

const char* CodingName(SampleCoding coding)
{
    switch (coding) {
    case SampleCoding::Float:
        return "float";
    case SampleCoding::Delta:
        return "delta";
    case SampleCoding::MuLaw:
        return "mu-law";
    case SampleCoding::ALaw:
        return "a-law";
    case SampleCoding::ImaAdpcm:
        return "ima-adpcm";
    case SampleCoding::MsAdpcm:
        return "ms-adpcm";
    default:
        return "pcm";
    }
}

nlohmann::ordered_json LayoutJson(const SampleLayout& l)
{
    nlohmann::ordered_json json = {{"coding", CodingName(l.coding)}, {"bits", l.bits},
                                   {"channels", l.channels},         {"bigEndian", l.bigEndian},
                                   {"isSigned", l.isSigned},         {"offset", l.offset},
                                   {"bytes", l.bytes}};
    if (l.coding == SampleCoding::ImaAdpcm || l.coding == SampleCoding::MsAdpcm) {
        json.update({{"blockAlign", l.blockAlign}, {"framesPerBlock", l.framesPerBlock}});
    }
    return json;
}

nlohmann::ordered_json WaveJson(const WavesampleRec& w)
{
    return {{"name", ToUtf8(w.name)},       {"sourcePath", ToUtf8(w.sourcePath)}, {"layout", LayoutJson(w.layout)},
            {"length", w.length},           {"sampleRate", w.sampleRate},         {"loopStart", w.loopStart},
            {"loopEnd", w.loopEnd},         {"loopStartFrac", w.loopStartFrac},   {"loopEndFrac", w.loopEndFrac},
            {"loopFlags", w.loopFlags},     {"rootKey", w.rootKey},               {"lowKey", w.lowKey},
            {"highKey", w.highKey},         {"fineTune", w.fineTune},             {"pan", w.pan},
            {"volume", w.volume},           {"scaleKey", w.scaleKey},             {"scaleFactor", w.scaleFactor},
            {"owner", HexId(w.owner)}};
}

nlohmann::ordered_json InstrumentJson(const InstrumentRec& i)
{
    nlohmann::ordered_json regions = nlohmann::ordered_json::array();
    for (int r = 0; r < i.layer.regionCount; ++r) {
        const KeyRegion& region = i.layer.regions[r];
        regions.push_back({{"wave", HexId(region.wave)}, {"lowKey", region.lowKey}, {"highKey", region.highKey}});
    }
    return {{"name", ToUtf8(i.name)},       {"note", ToUtf8(i.note)},         {"program", i.program},
            {"volume", i.layer.volume},     {"present", i.layer.present},     {"waveCount", i.waveCount},
            {"totalBytes", i.totalBytes},   {"regions", regions}};
}

}  // namespace

nlohmann::ordered_json ItemsJson(const WaveStore& store)
{
    nlohmann::ordered_json items = nlohmann::ordered_json::array();
    store.ForEachItem([&](ItemId id, const void* record) {
        nlohmann::ordered_json item = {{"id", HexId(id)}};
        if (IsWave(id)) {
            item["kind"] = "wavesample";
            item.update(WaveJson(*static_cast<const WavesampleRec*>(record)));
        } else if (IsInstrument(id)) {
            item["kind"] = "instrument";
            item.update(InstrumentJson(*static_cast<const InstrumentRec*>(record)));
        } else if (IsBank(id)) {
            const auto& bank = *static_cast<const BankRec*>(record);
            item.update({{"kind", "bank"}, {"name", ToUtf8(bank.name)}, {"path", ToUtf8(bank.path)}});
        } else {
            item.update({{"kind", "folder"}, {"name", ToUtf8(static_cast<const FolderRec*>(record)->name)}});
        }
        items.push_back(std::move(item));
    });
    return items;
}
