#pragma once

#include <QList>
#include <QString>

// The workspace: the user's list of favourite objects, shown in a pane of the main window.
// It lives in WorkSpaces and in the registry key "\Software\Quorlane\QVR22\WORKSPACE", one
// subkey per entry named by its position ("0", "1", ...), and is saved whenever it changes.

struct TqvWorkSpace
{
    qint32 ObjectType = 45; // object-type code, also the entry's icon
    QString Title; // the caption in the pane; the user may rename it
    QString Schema;
    QString ObjectName;
    QString Connect; // the connection key (mode 0) the entry belongs to
    quint32 oid = 0; // functions, procedures and aggregates (51, 52, 128); 0 = none
    QString TableName; // triggers, constraints and rules (57, 66, 127)

    bool operator==(const TqvWorkSpace &) const = default;
};

extern QList<TqvWorkSpace> WorkSpaces;

// Whether entries of the code keep an oid, or a table name.
bool WorkSpaceKeepsOid(int objectType);
bool WorkSpaceKeepsTableName(int objectType);

// Replaces WorkSpaces by the stored entries, in the order of their numbers (subkeys whose names
// are not numbers follow in the registry's order). Each entry starts from the defaults, so no
// field of another entry leaks in; a subkey that cannot be opened is left out.
void LoadWorkSpace();

// Replaces the stored entries by WorkSpaces as one change of the settings file: when writing
// fails, the stored list stays as it was and the settings store's error is raised.
void SaveWorkSpace();
