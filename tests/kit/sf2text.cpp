#include "kit/sf2text.h"

#include <cstdio>

#include "kit/tools.h"

namespace {

// A parenthesised list of atoms and lists; a quoted text is an atom without its quotes.
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
        const std::size_t stop = c == '"' ? text.find('"', at) : text.find_first_of(" \n()\"", at);
        if (c == '(') node.list.push_back(Parse(text, at));
        if (c == ')') return node;
        if (c == '(' || isspace(static_cast<unsigned char>(c))) continue;
        node.list.push_back({c == '"' ? text.substr(at, stop - at) : text.substr(at - 1, stop - at + 1), {}});
        at = stop + (c == '"');
    }
    return node;
}

std::vector<Sf2TextItem> Items(const Node& list, bool presets)
{
    std::vector<Sf2TextItem> items;
    for (std::size_t i = 0; i + 1 < list.list.size(); ++i) {
        Sf2TextItem item{list[i][1].atom};
        if (presets) item.preset = list[i][2][1].Int(), item.bank = list[i][3][1].Int();
        for (const Node& layer : list[i].list.back().list) {
            Sf2TextZone& zone = item.zones.emplace_back();
            for (std::size_t g = 1; g < layer.list.size(); ++g) {
                const std::string& name = layer[g][0].atom;
                (name == "instrument" || name == "sampleId" ? zone.target : zone.generators[name]) = layer[g][1].Int();
            }
        }
        items.push_back(item);
    }
    return items;
}

}  // namespace

Sf2Text ReadSf2Text(const std::string& bank)
{
    std::string text;
    FILE* pipe = popen(("sf2text " + Quoted(bank)).c_str(), "r");
    for (int c; pipe != nullptr && (c = fgetc(pipe)) != EOF;) text += static_cast<char>(c);
    if (pipe != nullptr) pclose(pipe);
    std::size_t at = 0;
    Sf2Text out;
    for (const Node& n : Parse(text, at).list) {
        const std::string& key = n[0].atom;
        if (key == "SoundFont") out.version = n[1].Int();
        if (key == "SamplePos") out.samplePosition = static_cast<std::uint64_t>(n[1].Int());
        if (key == "Presets" || key == "Instruments") (key == "Presets" ? out.presets : out.instruments) = Items(n[2], key == "Presets");
        for (std::size_t i = 0; key == "SampleInfo" && i < n[2].list.size(); ++i) {
            const Node& s = n[2][i];
            auto& sample = out.samples.emplace_back(Sf2TextSample{s[1].atom, std::uint32_t(s[2][0].Int()), std::uint32_t(s[2][1].Int()),
                                                                  std::uint32_t(s[3][0].Int()), std::uint32_t(s[3][1].Int())});
            if (s.list.size() > 4) sample.pitch = s[4][1].Int(), sample.correction = s[4][2].Int(), sample.type = s[4][4].Int();
        }
    }
    return out;
}
