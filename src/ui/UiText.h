#pragma once

#include <QString>

#include <string>

namespace corvalet {

// The core keeps UTF-8 byte strings; the window's controls hold QStrings.
inline QString ToQt(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQt(const QString& text) {
    return text.toStdString();
}

} // namespace corvalet
