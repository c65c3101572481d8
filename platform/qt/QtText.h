// The Qt boundary for text: Windows-1252 bytes to QString and back.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/base/Text.h"

namespace zv {

inline QString ToQString(std::string_view cp1252)
{
    std::u16string u = Cp1252ToUtf16(cp1252);
    return QString(reinterpret_cast<const QChar*>(u.data()), static_cast<qsizetype>(u.size()));
}

inline std::string FromQString(const QString& s)
{
    return Utf16ToCp1252(
        std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size())));
}

}  // namespace zv
