// awesfx's sf2text as an oracle: its listing of a SoundFont bank (version 1 or 2), parsed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct Sf2TextZone {
    std::map<std::string, int> generators;  // raw amounts by sf2text's names
    int target = -1;                        // the instrument (preset zone) or sample
    int Get(const std::string& name, int otherwise) const
    {
        return generators.contains(name) ? generators.at(name) : otherwise;
    }
};
struct Sf2TextItem {
    std::string name;
    int preset = 0, bank = 0;
    std::vector<Sf2TextZone> zones;
};
struct Sf2TextSample {
    std::string name;
    std::uint32_t start = 0, end = 0, loopStart = 0, loopEnd = 0;
    int pitch = 60, correction = 0, type = 1;  // version 2
};
struct Sf2Text {
    int version = 0;
    std::uint64_t samplePosition = 0;  // of the sample data in the file
    std::vector<Sf2TextItem> presets, instruments;  // without the terminal records
    std::vector<Sf2TextSample> samples;
};

Sf2Text ReadSf2Text(const std::string& bank);
