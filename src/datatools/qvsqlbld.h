#pragma once

#include "qvsqlbldmodel.h"

#include <QFrame>
#include <QPointer>
#include <QScrollArea>
#include <QStringList>

#include <memory>
#include <vector>

class ConnectionWindow;
class QLabel;
class QLineEdit;
class QListWidget;
class QPainter;
class TqvMemo;
class TqvSQLDesigner;
class TqvStringGrid;

// The query builder's surface: a box per table or sub-query with its columns, join lines
// between columns of two boxes, and the host's output grid and SQL editor, which the designer
// keeps in step with the design in both directions (DesignToSQL, SQLToDesign). The text
// directions themselves are the plain functions of qvsqlbldmodel.h, fed with Design().
//
//   designer->setDatabase(connection);
//   designer->setGrid(grdBuild);       // seven columns, header row, trailing empty row
//   designer->setSQLText(txtSQL);
//   designer->AddTable(QStringLiteral("sales.orders"));   // writes the SELECT into txtSQL

enum TqvDesignState { dsNormal, dsMoving };

// One table box: title, alias edit and the column list ("*" first for SELECT and CREATE VIEW;
// key columns bold).
class TqvSQLBuildTable : public QFrame
{
    Q_OBJECT

public:
    explicit TqvSQLBuildTable(TqvSQLDesigner *owner);
    ~TqvSQLBuildTable() override;

    TqvSQLDesigner *Owner() const { return FOwner; }
    QString TableSchema() const { return FTableSchema; }
    void setTableSchema(const QString &value);
    QString TableName() const { return FTableName; }
    void setTableName(const QString &value);
    // The alias edit's text, else the quoted table name.
    QString Alias() const;
    void setAlias(const QString &value);
    QString AliasText() const;
    QListWidget *ItemList() const { return FItemList; }
    QLineEdit *AliasEdit() const { return FAlias; }
    QLabel *HeaderPanel() const { return FHeaderPanel; }
    QString GetSchema() const;
    QString GetRefName() const;

    // The box as a value, and the columns from one.
    TqvSQLDesignTable Design() const;
    void setColumns(const QList<TqvSQLBuildColumn> &columns);

private:
    void updateCaption();

    TqvSQLDesigner *FOwner;
    QLabel *FHeaderPanel = nullptr;
    QLineEdit *FAlias = nullptr;
    QString FPrevAliasName;
    QListWidget *FItemList = nullptr;
    QString FTableSchema;
    QString FTableName;
};

// One join line: a column of the left box (where the drag started) against a column of the
// right box. The designer owns its lines.
class TqvSQLBuildConnect
{
public:
    TqvSQLBuildConnect(TqvSQLDesigner *owner, TqvSQLBuildTable *table1, TqvSQLBuildTable *table2,
                       const QString &column1, const QString &column2);

    TqvSQLDesigner *Owner() const { return FOwner; }
    TqvSQLBuildTable *FromTable() const { return FFromTable; }
    TqvSQLBuildTable *ToTable() const { return FToTable; }
    QString FromColumn() const { return FFromColumn; }
    void setFromColumn(const QString &value) { FFromColumn = value; }
    QString ToColumn() const { return FToColumn; }
    void setToColumn(const QString &value) { FToColumn = value; }
    TqvSQLBuildConnectType ConnectType() const { return FConnectType; }
    void setConnectType(TqvSQLBuildConnectType value) { FConnectType = value; }
    TqvSQLBuildJoinType JoinType() const { return FJoinType; }
    void setJoinType(TqvSQLBuildJoinType value) { FJoinType = value; }

private:
    TqvSQLDesigner *FOwner;
    TqvSQLBuildTable *FFromTable;
    TqvSQLBuildTable *FToTable;
    QString FFromColumn;
    QString FToColumn;
    TqvSQLBuildConnectType FConnectType = ctEQ;
    TqvSQLBuildJoinType FJoinType = jtInner;
};

class TqvSQLDesigner : public QScrollArea
{
    Q_OBJECT

public:
    explicit TqvSQLDesigner(QWidget *parent = nullptr);
    ~TqvSQLDesigner() override;

    // The connection the catalog reads run on; not owned (forgotten when its window goes).
    ConnectionWindow *Database() const;
    void setDatabase(ConnectionWindow *database);
    TqvStringGrid *Grid() const;
    void setGrid(TqvStringGrid *grid);
    TqvMemo *SQLText() const;
    void setSQLText(TqvMemo *editor);
    QString ViewName() const { return FViewName; }
    void setViewName(const QString &value) { FViewName = value; }
    // The busy flag: set while the designer itself rewrites text or design.
    bool SQLDesign() const { return FSQLDesign; }
    void setSQLDesign(bool busy) { FSQLDesign = busy; }
    QString SaveSQL() const { return FSaveSQL; }

    const QList<TqvSQLBuildTable *> &Tables() const { return FTables; }
    QList<TqvSQLBuildConnect *> Connects() const;
    TqvSQLBuildTable *Selected() const { return FSelected; }
    void setSelected(TqvSQLBuildTable *box);
    TqvSQLType SQLType() const { return FSQLType; }
    void setSQLType(TqvSQLType kind);
    QWidget *Surface() const { return FSurface; }

    void Clear();
    TqvSQLBuildTable *AddTable(const QString &tableName);
    TqvSQLBuildTable *AddTable(const QString &tableName, const QString &alias);
    // Frees a box with its join lines and its grid rows, then writes the text again.
    void RemoveTable(TqvSQLBuildTable *box);
    TqvSQLBuildConnect *AddConnect(TqvSQLBuildTable *table1, TqvSQLBuildTable *table2,
                                   const QString &column1, const QString &column2);
    void DeleteConnect(TqvSQLBuildConnect *line);
    void DesignToSQL();
    void SQLToDesign();
    QString NewAliasName() const;
    TqvSQLBuildTable *FindTable(const QString &alias, const QString &column) const;

    // The design as a value: kind, view name, boxes, lines and the grid's data rows.
    TqvSQLDesign Design() const;
    // Text and design are in step: the editor holds what the designer last wrote or read,
    // and that was no refused text. The boxes are enabled only then.
    bool InStep() const;
    // The editor holds a text that the builder refused; no design change overwrites it
    // without asking.
    bool Refused() const { return m_refused; }

    // Whether a grid column takes part in the current statement kind.
    bool ColumnUsed(int col) const;

Q_SIGNALS:
    void OnConnectDblClick(TqvSQLBuildConnect *line);

protected:
    void focusInEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class TqvSQLBuildTable;

    void GridDrawCell(int col, int row, QPainter *painter, const QRect &rect, int state);
    void GridSelectCell(int col, int row, bool &canSelect);
    void GridSetEditText(int col, int row, const QString &value);
    void GridGetPickListItems(int col, int row, QStringList &items);
    void PaintConnects(QPainter &painter);

    TqvSQLBuildTable *newBox(const QString &alias);
    void clearBoxes();
    void applyGridLabels();
    void updateEnabled();
    QString currentSchema() const;
    // Asks before a design change replaces a refused text; false keeps the text.
    bool mayOverwrite();
    void forgetBox(TqvSQLBuildTable *box);

    TqvSQLType FSQLType = sqltSelect;
    QList<TqvSQLBuildTable *> FTables;
    std::vector<std::unique_ptr<TqvSQLBuildConnect>> FConnects;
    ConnectionWindow *FDatabase = nullptr;
    QPointer<QWidget> m_databaseWidget;
    // Neither is owned; each is forgotten when it goes.
    TqvStringGrid *FGrid = nullptr;
    QPointer<QObject> m_gridAlive;
    TqvMemo *FSQLText = nullptr;
    QPointer<QObject> m_textAlive;
    QString FSaveSQL;
    bool FSQLDesign = false;
    bool m_refused = false;
    bool m_destroying = false;
    QWidget *FSurface = nullptr;
    QWidget *FBackGround = nullptr;
    TqvDesignState FState = dsNormal;
    QPoint FDragStartPos;
    TqvSQLBuildTable *FSelected = nullptr;
    QStringList FPickColumns;
    QStringList FPickSortType;
    QStringList FPickGroupType;
    QString FViewName;
};
