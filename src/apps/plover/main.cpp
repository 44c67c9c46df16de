// Plover: the converter that turns downloaded price archives into daily price files.
#include "platform/ProgramFolder.h"
#include "ui/app/KestrelStart.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    if (!kestrel::ui::haveDisplayOrExplain("Plover"))
        return 2;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plover"));
    QApplication::setOrganizationName(QStringLiteral("KestrelApp"));
    QMainWindow window;
    window.setObjectName(QStringLiteral("frmPlover"));
    window.setWindowTitle(QStringLiteral("Plover"));
    window.resize(640, 480);
    window.show();
    return QApplication::exec();
}
