// The last failure of any operation: where it happened and what went wrong.
#pragma once

#include <string>
#include <string_view>

struct ErrorRec {
    std::string location;  // the failing routine's own name, e.g. "wav_Read"
    std::string message;   // e.g. "Couldn't open input file"
};

extern ErrorRec LastError;

// Records a failure; returns false so that callers can `return Fail(...)`.
bool Fail(std::string_view location, std::string_view message);
// A failure on a file: the message, then the file and the system's reason for `error` (an
// errno value), e.g. "Couldn't open input file: /x/a.pat (No such file or directory)".
bool FailOnFile(std::string_view location, std::string_view message, std::string_view path, int error);
