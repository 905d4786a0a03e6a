// Text from records and files as the window shows it, and back.
#include "shell/text.h"

#include <cstring>

#include "store/item_view.h"

QString NameText(const char* name)
{
    return QString::fromStdString(ToUtf8(name));
}

void SetName(char (&field)[kNameSize], const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() > static_cast<qsizetype>(kNameSize - 1)) {
        qsizetype cut = kNameSize - 1;
        while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
        bytes.truncate(cut);
    }
    std::memset(field, 0, kNameSize);
    std::memcpy(field, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
