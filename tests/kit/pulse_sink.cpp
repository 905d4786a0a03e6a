#include "kit/pulse_sink.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "kit/tools.h"

PulseSink::PulseSink()
{
    const std::string fifo = folder_ / "sink.fifo";
    ::setenv("PULSE_SERVER", ("unix:" + (folder_ / "native")).c_str(), 1);
    ::setenv("KOBA_AUDIO_API", "pulse", 1);
    Run("XDG_RUNTIME_DIR=" + Quoted(folder_.Path()) +
        " pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --log-target=file:" +
        Quoted(folder_ / "pa.log") + " --load='module-native-protocol-unix auth-anonymous=1 socket=" +
        (folder_ / "native") + "' --load='module-pipe-sink file=" + fifo +
        " sink_name=koba_test format=s16le rate=44100 channels=2 use_system_clock_for_timing=yes' & echo $! >" +
        Quoted(folder_ / "pid"));
    for (int i = 0; i < 100 && Run("pactl info >/dev/null 2>&1") != 0; ++i) usleep(50000);
    fd_ = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    drain_ = std::thread([this] {
        std::uint8_t piece[4096];
        while (!stop_) {
            const ssize_t n = ::read(fd_, piece, sizeof piece);
            if (n > 0) captured_.insert(captured_.end(), piece, piece + n);
            if (n <= 0) usleep(2000);
        }
    });
}

PulseSink::~PulseSink()
{
    stop_ = true;
    drain_.join();
    ::close(fd_);
    const std::vector<std::uint8_t> pid = ReadFileBytes(folder_ / "pid");
    ::kill(std::stoi(std::string(pid.begin(), pid.end())), SIGTERM);
    ::unsetenv("PULSE_SERVER");
}

std::vector<std::uint8_t> PulseSink::Played()
{
    usleep(300000);
    stop_ = true;
    drain_.join();
    drain_ = std::thread([] {});
    auto first = std::find_if(captured_.begin(), captured_.end(), [](std::uint8_t b) { return b != 0; });
    first -= (first - captured_.begin()) % 4;  // from the frame it lies in
    return {first, captured_.end()};
}
