#include "ui/app/ColumnMenu.h"

#include <QHeaderView>
#include <QMenu>
#include <QSet>
#include <QTableView>

namespace kestrel::ui {

namespace {
const char* const kKeptHidden = "kestrelKeptHidden"; // the columns the window hides for itself
} // namespace

void offerColumnHiding(QTableView* view) {
    QList<QVariant> kept;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        if (view->isColumnHidden(c))
            kept << c;
    view->setProperty(kKeptHidden, kept);
    QHeaderView* header = view->horizontalHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(header, &QHeaderView::customContextMenuRequested, view, [view](const QPoint& at) {
        QMenu* menu = columnMenu(view);
        menu->exec(view->horizontalHeader()->mapToGlobal(at));
        delete menu;
    });
}

QMenu* columnMenu(QTableView* view) {
    auto* menu = new QMenu(view);
    menu->setObjectName(QStringLiteral("columnMenu"));
    const QList<QVariant> kept = view->property(kKeptHidden).toList();
    QAbstractItemModel* model = view->model();
    for (int c = 0; c < model->columnCount(); ++c) {
        if (kept.contains(c))
            continue;
        // A two-line caption (name and field) reads as one line in the menu.
        const QString caption =
            model->headerData(c, Qt::Horizontal).toString().replace(QLatin1Char('\n'), QLatin1Char(' '));
        QAction* a = menu->addAction(caption);
        a->setCheckable(true);
        a->setChecked(!view->isColumnHidden(c));
        QObject::connect(a, &QAction::toggled, view, [view, c](bool shown) {
            // The last shown column stays: a grid without columns could not offer them again.
            int visible = 0;
            for (int i = 0; i < view->model()->columnCount(); ++i)
                visible += view->isColumnHidden(i) ? 0 : 1;
            if (!shown && visible <= 1)
                return;
            view->setColumnHidden(c, !shown);
        });
    }
    return menu;
}

} // namespace kestrel::ui
