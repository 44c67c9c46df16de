#include "ui/db/CloseSequence.h"

#include "core/app/Files.h"
#include "core/db/FileCare.h"
#include "core/db/Schema.h"
#include "ui/app/MessageBox.h"

#include <QApplication>
#include <QVBoxLayout>

namespace kestrel::ui {

DialUpLine& dialUpLine() {
    static DialUpLine line{[] { return false; }, [] {}};
    return line;
}

QString compactQuestion() {
    return QStringLiteral("ご使用ありがとうございました。\n\n"
                          "時間がかかりますが株価データーを最適化とバックアップを行います。\n\n"
                          "最適化するなら　はい　そのまま終了なら　いいえ");
}

frmCmpctMsg::frmCmpctMsg(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmCmpctMsg"));
    setWindowTitle(QStringLiteral("株価ケストレル"));
    Label1 = new QLabel(QStringLiteral("最適化＆バックアップ処理中．．．"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->addWidget(Label1);
}

CloseOutcome runCloseSequence(const CloseParts& parts) {
    for (QTimer* t : parts.timers)
        if (t)
            t->stop();

    if (parts.dialUp.isConnected && parts.dialUp.isConnected() &&
        MessageBox::question(parts.window, QStringLiteral("ﾀﾞｲﾔﾙｱｯﾌﾟを切断します　よろしいですか？"),
                             QStringLiteral("ﾀﾞｲﾔﾙｱｯﾌﾟ")) &&
        parts.dialUp.hangUp)
        parts.dialUp.hangUp();

    // The database must still open; a missing one is no reason to stop the closing.
    if (fileExists(parts.databasePath)) {
        auto db = db::openKestrelDatabase(parts.databasePath);
        if (!db)
            MessageBox::information(parts.window, QString::fromStdString(db.message()));
    }

    if (!MessageBox::question(parts.window, compactQuestion(), QStringLiteral("ﾌｪﾝﾈﾙ")))
        return CloseOutcome::Closed;

    QCoreApplication::processEvents();
    frmCmpctMsg message(parts.window);
    message.show();
    message.repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Status st = db::compactDatabase(parts.databasePath);
    QApplication::restoreOverrideCursor();
    message.hide();
    if (!st) {
        MessageBox::information(parts.window, QString::fromStdString(st.message()));
        return CloseOutcome::CompactionFailed;
    }
    return CloseOutcome::Compacted;
}

} // namespace kestrel::ui
