// Text from records and files as the window shows it, and back.
#pragma once

#include <QString>

#include "store/records.h"

// Names are bytes from files: UTF-8 where they are, else Latin-1.
QString NameText(const char* name);
// An edited name as the record's at most 80 bytes, cut at a character boundary.
void SetName(char (&field)[kNameSize], const QString& text);
