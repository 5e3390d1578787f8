#pragma once

#include <QHash>
#include <QString>

// The statements and the enabling rules of the object list's commands, apart from any widget:
// the connection window, the tests and the demos use the same code. Names go through QuoteName,
// so the option UseLowerName decides their quoting.

// One row of the object list as the rename and drop statements read it.
struct TObjectRow
{
    int code = 0; // object-type code (the row's image index)
    QString schema; // sub-item 0
    QString name; // the caption
    QString table; // sub-item 11: the table of a trigger, constraint or rule
    QString args; // sub-item 12: the argument types DROP and ALTER need, already quoted
};

// Whether the list lets the user edit the name of row in place: the kinds that can be renamed,
// only in the logon schema (compared exactly), constraints only from server 9.2.
bool RenameAllowed(int code, const QString &schema, const QString &logonSchema, int dbVer);
// The name the user typed as the rename takes it: lower-cased (locale-aware) unless names keep
// their letter case.
QString RenameTypedName(const QString &typed, bool useLowerName);
// The statement that renames row to newName; empty for a kind that cannot be renamed.
// constraintTable is the table of a constraint as the list shows it (the row's table when
// empty). The trigger's table is written with its schema: the session's search path may have
// been changed by a SQL window on the same session.
QString RenameObjectSQL(const TObjectRow &row, const QString &newName, int dbVer,
                        const QString &constraintTable = QString());

// Whether the drop confirmation offers CASCADE for a selection holding code (table, type,
// materialized view).
bool DropOffersCascade(int code);
// Whether CASCADE, when chosen, is appended to the drop of code.
bool DropTakesCascade(int code);
// The statement that drops row; empty for a code without one (the row counts as dropped).
QString DropObjectSQL(const TObjectRow &row, int dbVer, bool cascade);

// What the enabling of the object menu (mnuObjectClick) reads.
struct TObjectMenuInput
{
    int selected = 0; // selected rows
    int firstCode = 0; // code of the first selected row in list order; 0 none
    bool postgresPlus = false;
    bool copyListFilled = false; // the object copy list holds an entry
    int reportItems = 0;
    int commandItems = 0;
    // the selected tree node: none when level is -1
    int treeSort = 0;
    int nodeLevel = -1;
    int nodeImage = 0;
};

// What mnuObjectClick makes of it: the new-object entries and the enabled state of each list
// action by its design name (mnuReport and mnuCommand among them).
struct TObjectMenuState
{
    bool newSubmenuVisible = true; // mnuNew1
    bool actNewVisible = false;
    int actNewImage = -1;
    QHash<QString, bool> enabled;
};
TObjectMenuState ObjectMenuState(const TObjectMenuInput &input);

// The tree's pop-up menu (popTreePopup) for the selected node (level -1: none): the visible
// state of each entry by its design name (actions, and mnuTB1 for the separator) and the image
// actNew takes.
struct TTreeMenuState
{
    QHash<QString, bool> visible;
    int actNewImage = -1;
};
TTreeMenuState TreeMenuState(int nodeLevel, int nodeImage, bool postgresPlus);
