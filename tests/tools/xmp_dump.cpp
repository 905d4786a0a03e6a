// A libxmp client for tests: loads a module as libxmp reads it and writes, for each sample, a
// line "sample INDEX LENGTH LOOPSTART LOOPEND FLAGS NAME" and its decoded data as
// DIR/INDEX.raw (signed, native order; frames of 1 or 2 bytes); for each instrument a line
// "instrument INDEX SAMPLE..." with the module-wide sample of each of its own samples, and
// "map INDEX SUB..." with its own sample for each of the 96 notes from C-0 (-1: none).
#include <xmp.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: xmp_dump MODULE DIR\n");
        return 2;
    }
    xmp_context context = xmp_create_context();
    if (xmp_load_module(context, argv[1]) != 0) {
        std::fprintf(stderr, "libxmp cannot load %s\n", argv[1]);
        return 1;
    }
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    const xmp_module& module = *info.mod;
    std::printf("module %s\n", module.type);
    for (int s = 0; s < module.smp; ++s) {
        const xmp_sample& sample = module.xxs[s];
        std::printf("sample %d %d %d %d %d %s\n", s, sample.len, sample.lps, sample.lpe, sample.flg, sample.name);
        const std::string path = std::string(argv[2]) + "/" + std::to_string(s) + ".raw";
        if (FILE* out = std::fopen(path.c_str(), "wb")) {
            const int width = sample.flg & XMP_SAMPLE_16BIT ? 2 : 1;
            if (sample.data != nullptr) std::fwrite(sample.data, static_cast<std::size_t>(width), sample.len, out);
            std::fclose(out);
        }
    }
    for (int i = 0; i < module.ins; ++i) {
        const xmp_instrument& instrument = module.xxi[i];
        std::printf("instrument %d", i);
        for (int j = 0; j < instrument.nsm; ++j) std::printf(" %d", instrument.sub[j].sid);
        std::printf("\nmap %d", i);
        for (int note = 0; note < 96; ++note) {
            const int sub = instrument.map[note].ins;
            std::printf(" %d", sub < instrument.nsm ? sub : -1);
        }
        std::printf("\n");
    }
    xmp_release_module(context);
    xmp_free_context(context);
    return 0;
}
