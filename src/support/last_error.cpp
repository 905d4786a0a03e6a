// The last failure of any operation.
#include "support/last_error.h"

#include <cstring>

ErrorRec LastError;

bool FailOnFile(std::string_view location, std::string_view message, std::string_view path, int error)
{
    return Fail(location, std::string(message) + ": " + std::string(path) + " (" + std::strerror(error) + ")");
}

bool Fail(std::string_view location, std::string_view message)
{
    LastError.location = location;
    LastError.message = message;
    return false;
}
