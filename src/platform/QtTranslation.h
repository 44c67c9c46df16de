#pragma once
// Qt's own texts (standard buttons, file dialogs, the text boxes' context menus) in Japanese.
#include <QString>

class QCoreApplication;

namespace kestrel::platform {

// Loads Qt's Japanese base translation (qtbase_ja from Qt's translation folder, or from `folder` when
// given) into app. Returns false, and changes nothing, when the translation is missing or unreadable:
// the program then shows Qt's texts in English.
bool installQtTranslation(QCoreApplication& app, const QString& folder = QString());

} // namespace kestrel::platform
