// Host defaults shared by every implementation.
#include "host/host.h"

#include <cstdlib>

#include "support/file.h"

std::string Host::TempFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

bool Host::StartProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    return F_SPAWNEXE(program, arguments);
}

void Host::Exit(int code)
{
    std::exit(code);
}

void Host::Warn(std::string_view text)
{
    Ask({std::string(text), "Attention!", Buttons::Ok, MessageIcon::Exclamation, Answer::Ok});
}

void Host::ReportLosses(const std::vector<std::string>& losses)
{
    for (const std::string& loss : losses) Warn(loss);
}

void Host::Fatal(std::string_view text)
{
    Ask({std::string(text), "QUIT!", Buttons::Ok, MessageIcon::Error, Answer::Ok});
    Exit(1);
    std::exit(1);  // an Exit override must not return
}
