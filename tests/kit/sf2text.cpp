#include "kit/sf2text.h"

#include <cstdio>
#include <memory>

#include "kit/tools.h"

namespace {

// A parenthesised list of atoms and lists; quoted texts are atoms without their quotes.
struct Node {
    std::string atom;
    std::vector<Node> list;
    const Node& operator[](std::size_t i) const { return list.at(i); }
    int Int() const { return static_cast<int>(std::stol(atom, nullptr, 0)); }
};

Node Parse(const std::string& text, std::size_t& at)
{
    Node node;
    while (at < text.size()) {
        const char c = text[at++];
        if (c == '(') {
            node.list.push_back(Parse(text, at));
        } else if (c == ')') {
            return node;
        } else if (c == '"') {
            const std::size_t close = text.find('"', at);
            node.list.push_back({text.substr(at, close - at), {}});
            at = close + 1;
        } else if (!isspace(static_cast<unsigned char>(c))) {
            const std::size_t stop = text.find_first_of(" \n()\"", at);
            node.list.push_back({text.substr(at - 1, stop - at + 1), {}});
            at = stop;
        }
    }
    return node;
}

// (layer (name amount …) …): the target is "instrument" or "sampleId".
Sf2TextZone Zone(const Node& layer)
{
    Sf2TextZone zone;
    for (std::size_t g = 1; g < layer.list.size(); ++g) {
        const std::string& name = layer[g][0].atom;
        if (name == "instrument" || name == "sampleId") zone.target = layer[g][1].Int();
        else zone.generators[name] = layer[g][1].Int();
    }
    return zone;
}

std::vector<Sf2TextItem> Items(const Node& list, bool presets)
{
    std::vector<Sf2TextItem> items;
    for (std::size_t i = 0; i + 1 < list.list.size(); ++i) {
        const Node& n = list[i];
        Sf2TextItem item{n[1].atom};
        if (presets) item.preset = n[2][1].Int(), item.bank = n[3][1].Int();
        for (const Node& layer : n.list.back().list) item.zones.push_back(Zone(layer));
        items.push_back(item);
    }
    return items;
}

}  // namespace

Sf2Text ReadSf2Text(const std::string& bank)
{
    std::string text;
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("sf2text " + Quoted(bank)).c_str(), "r"), pclose);
    for (int c; pipe && (c = fgetc(pipe.get())) != EOF;) text += static_cast<char>(c);
    std::size_t at = 0;
    Sf2Text out;
    for (const Node& n : Parse(text, at).list) {
        const std::string& key = n[0].atom;
        if (key == "SoundFont") out.version = n[1].Int();
        if (key == "SamplePos") out.samplePosition = static_cast<std::uint64_t>(n[1].Int());
        if (key == "Presets" || key == "Instruments") (key == "Presets" ? out.presets : out.instruments) = Items(n[2], key == "Presets");
        if (key != "SampleInfo") continue;
        for (const Node& s : n[2].list) {
            Sf2TextSample sample{s[1].atom, static_cast<std::uint32_t>(s[2][0].Int()), static_cast<std::uint32_t>(s[2][1].Int()),
                                 static_cast<std::uint32_t>(s[3][0].Int()), static_cast<std::uint32_t>(s[3][1].Int())};
            if (s.list.size() > 4) sample.pitch = s[4][1].Int(), sample.correction = s[4][2].Int(), sample.type = s[4][4].Int();
            out.samples.push_back(sample);
        }
    }
    return out;
}
