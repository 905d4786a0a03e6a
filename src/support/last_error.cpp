// The last failure of any operation.
#include "support/last_error.h"

ErrorRec LastError;

bool Fail(std::string_view location, std::string_view message)
{
    LastError.location = location;
    LastError.message = message;
    return false;
}
