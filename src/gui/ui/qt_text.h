#pragma once
// UTF-16 engine text to Qt and back without a detour through UTF-8.

#include <string>
#include <string_view>

#include <QString>

namespace lantaro {

inline QString to_qstring(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline std::u16string to_u16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<std::size_t>(text.size()));
}

}  // namespace lantaro
