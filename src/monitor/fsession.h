#pragma once

#include "fconntool.h"

class QMenu;
class QMenuBar;
class QTreeWidgetItem;
class TqvListView;
class TqvMemo;

// The sessions window: the server sessions connected to the database of one connection, the
// statement each runs, the connection's own session in blue, and the end of a chosen session
// (pg_terminate_backend).
class TfrmSession : public TfrmConnTool
{
    Q_OBJECT
public:
    explicit TfrmSession(ConnectionWindow *AOwner);
    static QString CaptionTitle() { return QStringLiteral("セッション情報 - "); }

    TqvListView *lstSession = nullptr;
    TqvMemo *txtQuery = nullptr;
    QAction *actKill = nullptr;
    QMenuBar *mnuTool = nullptr;
    QMenu *popSession = nullptr;

    // The backend process id of the bound connection's main session, read at every load;
    // -1 when it could not be read (no row is then blue).
    int MYSID = 0;

    void LoadSessions();
    // Asks, then ends the selected session; a refusal is reported and the list read again.
    void actKillExecute();
    void actKillUpdate();
    void lstSessionSelectItem();

protected:
    void LoadData() override { LoadSessions(); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paintOwnRow(QTreeWidgetItem *item) const;
};
