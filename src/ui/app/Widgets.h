#pragma once
// Small helpers for windows built in code: a widget takes its object name (the name the program and its
// tests find it by) as it is made, and UTF-8 text from the core becomes a QString in one call.
#include <QFont>
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

// Gives an issue list one Japanese gothic for every character of its rows, at the list's own size. Left
// to the default face, Qt picks a row's code digits from the face of the script that follows them: a row
// whose market is written in kana ("その他") took them from the Japanese face, the others from the Latin
// one, and looked smaller.
inline void useIssueListFont(QWidget* list) {
    QFont f = list->font();
    f.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"), QStringLiteral("Noto Sans CJK JP"),
                   QStringLiteral("VL Gothic")});
    list->setFont(f);
}

// UTF-8 text as a QString.
inline QString q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace kestrel::ui
