#pragma once
// Small helpers for windows built in code: a widget takes its object name (the name the program and its
// tests find it by) as it is made, and UTF-8 text from the core becomes a QString in one call.
#include <QPushButton>
#include <QString>
#include <string>

namespace kestrel::ui {

// w with its objectName set to name; returns w.
template <typename W> W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// A push button named name that never becomes the default button of its dialog (Enter does not
// press it by surprise).
inline QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// UTF-8 text as a QString.
inline QString q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace kestrel::ui
