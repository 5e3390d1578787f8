#pragma once

#include "fconntool.h"

class QLabel;
class QListWidget;
class QMenu;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TqvComboBox;
class TqvListView;
class TqvMemo;
class TqvStrEdit;

// The server settings window: the server's databases with the facts of a chosen one, its
// configuration parameters (search and category filter), postgresql.auto.conf, and its
// version, times and files. It changes a parameter for the session (set_config) and, for a
// superuser on 9.4 or later, in the server's persistent configuration (ALTER SYSTEM and a
// configuration reload). Only the page in front is read.
class TfrmDB : public TfrmConnTool
{
    Q_OBJECT
public:
    explicit TfrmDB(ConnectionWindow *AOwner);
    static QString CaptionTitle() { return QStringLiteral("サーバ情報 - "); }

    QTabWidget *pagDB = nullptr;
    QWidget *tabDbInfo = nullptr;
    QWidget *tabParam = nullptr;
    QWidget *tabAutoConf = nullptr;
    QWidget *tabVersion = nullptr;
    QTreeWidget *lstDbList = nullptr;
    TqvListView *lstDbInfo = nullptr;
    QWidget *pnlFind = nullptr;
    QToolButton *btnFind = nullptr;
    TqvStrEdit *txtFind = nullptr;
    QLabel *lblCategory = nullptr;
    TqvComboBox *cmbCategory = nullptr;
    TqvListView *lstParameter = nullptr;
    TqvMemo *txtAutoConfData = nullptr;
    QListWidget *lstVersion = nullptr;
    QMenu *popParam = nullptr;
    QAction *actChangeParam = nullptr;
    QAction *actAlterSystem = nullptr;
    QAction *actAlterSystemReset = nullptr;
    QAction *actAlterSystemResetAll = nullptr;

    // The login of the bound connection is a superuser (re-read with every binding).
    bool FSuperUser = false;

    void LoadDatabaseList();
    void LoadDatabaseInfo();
    void LoadParameters(const QString &SearchText, const QString &Category);
    void LoadServerInfo();
    void LoadAutoConf();
    void LoadCategories(TqvComboBox *Box);
    // Whether the session's role is a superuser.
    bool IsSuperUser();
    // The selected parameter for the session only (set_config).
    void ChangeParam();
    // 0 SET, 1 RESET, 2 RESET ALL, then a configuration reload. Refused while the session is
    // inside a transaction, where the server cannot run it.
    void AlterSystem(int Mode);
    void UpdateActions();

protected:
    void LoadData() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTreeWidgetItem *selectedParameter() const;
    bool copySelectedParameter();
    ConnectionWindow *m_superUserOf = nullptr; // the binding FSuperUser was read for
};
