// The pending file and its signal handlers. The handler only reads a static buffer and calls
// unlink, both safe in a signal handler.
#include "support/pending_file.h"

#include <csignal>
#include <initializer_list>
#include <cstring>
#include <unistd.h>

namespace {

char pendingPath[4096];
volatile std::sig_atomic_t havePending = 0;

extern "C" void RemoveAndReraise(int signal)
{
    if (havePending != 0) ::unlink(pendingPath);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void SetPendingFile(const char* path)
{
    havePending = 0;
    const std::size_t n = strnlen(path, sizeof pendingPath - 1);
    std::memcpy(pendingPath, path, n);
    pendingPath[n] = '\0';
    havePending = n > 0 ? 1 : 0;
}

void ClearPendingFile()
{
    havePending = 0;
}

void RemovePendingFileOnSignals()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, RemoveAndReraise);
    std::signal(SIGXFSZ, SIG_IGN);  // a file grown past its limit fails the write instead
}
