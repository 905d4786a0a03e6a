// The program's settings record: loaded at start-up, saved at shutdown, read and changed by
// the import driver, the Save As flow, the player and the options.
#pragma once

#include <cstdint>
#include <string>

struct ProgramSettings {
    std::string szLastFile;    // path of the file last read into the store
    std::string szLastOutDir;  // folder of the last export
    // Filter last chosen in Save As per kind: bank file, folder, instrument, wavesample.
    std::uint32_t LastExp[4] = {0, 0, 0, 0};
    std::uint32_t mtEnable = 1;  // auditioning on
    // A first start auditions on KOBA's own synthesizer (the last table row), which every
    // machine has, from the window's key strip: no card or keyboard to be missing.
    std::int32_t mtInDev = -1;   // MIDI input device, -1 for none
    std::int32_t mtOutDev = 3;   // synth device table index
    std::uint32_t dacOutDev = 0; // wave output device for playback
};
