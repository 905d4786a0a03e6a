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
