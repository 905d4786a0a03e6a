// A libsndfile client for tests: describes a file as libsndfile reads it (including the
// sampler chunk through its instrument API), or writes a looped WAVE file with libsndfile.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

static int Info(const char* path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "%s\n", sf_strerror(nullptr));
        return 1;
    }
    std::printf("frames=%lld rate=%d channels=%d", static_cast<long long>(info.frames), info.samplerate,
                info.channels);
    SF_INSTRUMENT inst{};
    if (sf_command(file, SFC_GET_INSTRUMENT, &inst, sizeof inst) == SF_TRUE) {
        std::printf(" basenote=%d loops=%d", inst.basenote, inst.loop_count);
        if (inst.loop_count > 0) {
            std::printf(" mode=%d start=%u end=%u", inst.loops[0].mode, inst.loops[0].start, inst.loops[0].end);
        }
    }
    std::printf("\n");
    sf_close(file);
    return 0;
}

// 16-bit mono, 44100 Hz, 5000 frames, base note 64, one forward loop 100..2000.
static int WriteLoop(const char* path)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path, SFM_WRITE, &info);
    if (file == nullptr) return 1;
    SF_INSTRUMENT inst{};
    inst.basenote = 64;
    inst.velocity_hi = 127;
    inst.key_hi = 127;
    inst.loop_count = 1;
    inst.loops[0].mode = SF_LOOP_FORWARD;
    inst.loops[0].start = 100;
    inst.loops[0].end = 2000;
    inst.loops[0].count = 0;
    sf_command(file, SFC_SET_INSTRUMENT, &inst, sizeof inst);
    std::vector<short> samples(5000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<short>(1 + 12000 * std::sin(0.05 * static_cast<double>(i)));
    }
    sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "info") == 0) return Info(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "write-loop") == 0) return WriteLoop(argv[2]);
    std::fprintf(stderr, "usage: sndfile_probe info FILE | write-loop FILE\n");
    return 2;
}
