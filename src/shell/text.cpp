// Text from records and files as the window shows it, and back.
#include "shell/text.h"

#include <cstring>

#include "store/item_view.h"
#include "support/text.h"

QString NameText(const char* name)
{
    return QString::fromStdString(ToUtf8(name));
}

void SetName(char (&field)[kNameSize], const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const std::size_t n = FittingLength(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                                        kNameSize - 1);
    std::memset(field, 0, kNameSize);
    std::memcpy(field, bytes.constData(), n);
}
