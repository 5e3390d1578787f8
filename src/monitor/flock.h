#pragma once

#include "fconntool.h"

class QMenuBar;
class QSplitter;
class QToolButton;
class QTreeWidgetItem;
class TqvListView;
class TqvMemo;

// The locks window: the locks that server processes hold or wait for in the database of one
// connection, waiting ones in red and those of the connection's own session in blue. It only
// shows; nothing in it changes the server.
class TfrmLock : public TfrmConnTool
{
    Q_OBJECT
public:
    explicit TfrmLock(ConnectionWindow *AOwner);
    static QString CaptionTitle() { return QStringLiteral("ロック情報 - "); }

    TqvListView *lstLock = nullptr;
    TqvMemo *txtQuery = nullptr;
    QSplitter *splLock = nullptr;
    QToolButton *btnRollback = nullptr;
    QToolButton *btnExit = nullptr;
    QMenuBar *mnuTool = nullptr;

    // See TfrmSession::MYSID.
    int MYSID = 0;

    void LoadLocks();
    void lstLockSelectItem();

protected:
    void LoadData() override { LoadLocks(); }

private:
    void paintRow(QTreeWidgetItem *item) const;
};
