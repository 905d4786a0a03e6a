// A libinstpatch client for tests: loads a SoundFont 2 bank as libinstpatch reads it and writes
// a line "preset BANK PROGRAM NAME" per preset, then for each zone of the instrument it plays a
// line "zone LOWKEY HIGHKEY ROOT LOOPS LOOPSTART LOOPEND RATE CHANNEL LINKED SAMPLE": the root
// key the zone plays (its override, else the sample's), whether it loops, the loop with the
// zone's offsets, the channel (m, l, r) and the name of the linked sample ("-" for none).
#include <libinstpatch/libinstpatch.h>

#include <cstdio>

namespace {

int Generator(IpatchSF2Zone* zone, guint id, int fallback)
{
    IpatchSF2GenAmount amount;
    return ipatch_sf2_gen_item_get_amount(IPATCH_SF2_GEN_ITEM(zone), id, &amount) ? amount.sword : fallback;
}

void DumpZone(IpatchSF2Zone* zone)
{
    IpatchSF2GenAmount range{};
    range.range.high = 127;
    ipatch_sf2_gen_item_get_amount(IPATCH_SF2_GEN_ITEM(zone), IPATCH_SF2_GEN_NOTE_RANGE, &range);
    auto* sample = IPATCH_SF2_SAMPLE(ipatch_sf2_zone_peek_link_item(zone));
    if (sample == nullptr) return;
    const auto offset = [&](guint fine, guint coarse) {
        return Generator(zone, fine, 0) + 32768 * Generator(zone, coarse, 0);
    };
    const long start =
        long(sample->loop_start) + offset(IPATCH_SF2_GEN_SAMPLE_LOOP_START, IPATCH_SF2_GEN_SAMPLE_COARSE_LOOP_START);
    const long end =
        long(sample->loop_end) + offset(IPATCH_SF2_GEN_SAMPLE_LOOP_END, IPATCH_SF2_GEN_SAMPLE_COARSE_LOOP_END);
    IpatchSF2Sample* linked = ipatch_sf2_sample_peek_linked(sample);
    const char channel = sample->channel == IPATCH_SF2_SAMPLE_CHANNEL_LEFT    ? 'l'
                         : sample->channel == IPATCH_SF2_SAMPLE_CHANNEL_RIGHT ? 'r'
                                                                              : 'm';
    std::printf("zone %d %d %d %d %ld %ld %d %c %s %s\n", range.range.low, range.range.high,
                Generator(zone, IPATCH_SF2_GEN_ROOT_NOTE_OVERRIDE, sample->root_note),
                Generator(zone, IPATCH_SF2_GEN_SAMPLE_MODES, 0) & 1, start, end, sample->rate, channel,
                linked != nullptr ? linked->name : "-", sample->name);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: sf2_dump BANK\n");
        return 2;
    }
    ipatch_init();
    GError* error = nullptr;
    IpatchFileHandle* handle = ipatch_file_identify_open(argv[1], &error);
    IpatchSF2* bank = handle != nullptr ? ipatch_sf2_reader_load(ipatch_sf2_reader_new(handle), &error) : nullptr;
    if (bank == nullptr) {
        std::fprintf(stderr, "libinstpatch cannot load %s: %s\n", argv[1], error != nullptr ? error->message : "?");
        return 1;
    }
    IpatchList* presets = ipatch_sf2_get_presets(bank);
    for (GList* p = presets->items; p != nullptr; p = p->next) {
        auto* preset = IPATCH_SF2_PRESET(p->data);
        std::printf("preset %d %d %s\n", preset->bank, preset->program, preset->name);
        IpatchList* presetZones = ipatch_sf2_preset_get_zones(preset);
        for (GList* pz = presetZones->items; pz != nullptr; pz = pz->next) {
            auto* instrument = IPATCH_SF2_INST(ipatch_sf2_zone_peek_link_item(IPATCH_SF2_ZONE(pz->data)));
            if (instrument == nullptr) continue;
            IpatchList* zones = ipatch_sf2_inst_get_zones(instrument);
            for (GList* z = zones->items; z != nullptr; z = z->next) DumpZone(IPATCH_SF2_ZONE(z->data));
            g_object_unref(zones);
        }
        g_object_unref(presetZones);
    }
    g_object_unref(presets);
    return 0;
}
