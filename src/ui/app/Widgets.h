#pragma once
// Small helpers for windows built in code: a widget takes its object name (the name the program and its
// tests find it by) as it is made, and UTF-8 text from the core becomes a QString in one call.
#include <QString>
#include <string>

namespace kestrel::ui {

// w with its objectName set to name; returns w.
template <typename W> W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// UTF-8 text as a QString.
inline QString q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace kestrel::ui
