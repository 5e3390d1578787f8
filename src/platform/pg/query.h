#pragma once

#include "param.h"
#include "paramscanner.h"
#include "result.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace pg {

class Connection;

// A statement with ":name" parameters on a connection.
//
// setSql() scans the text for ":name" markers (see scanParameters) and fixes the parameter
// list: distinct names, upper-cased, in order of first appearance; each is sent once as "$n"
// however often it appears. Values are bound by name or position and always travel apart from
// the SQL text. With scanning off the text goes to the server unchanged and has no parameters.
// A Query is a light object: make one per statement, or reuse one with setSql().
class Query
{
public:
    explicit Query(Connection &connection, const QString &sql = QString());

    Connection &connection() const { return *m_connection; }
    void setConnection(Connection &connection) { m_connection = &connection; }

    // Throws Error (sqlstate::InvalidName) for a parameter name longer than 255 characters.
    void setSql(const QString &sql);
    const QString &sql() const { return m_scan.source; }

    // Parameter scanning on (the default) or off; applies from the next setSql().
    void setParamScanning(bool on);
    bool paramScanning() const { return m_options.enabled; }
    void setAllowDotsInNames(bool on);
    // One statement only (off by default): text holding several is refused by the server
    // (sqlstate::SyntaxError) before any of them runs, also when it has no parameters.
    void setSingleStatement(bool on) { m_single = on; }
    bool singleStatement() const { return m_single; }

    const QStringList &paramNames() const { return m_scan.names; }
    int paramCount() const { return int(m_scan.names.size()); }
    // The text as the server receives it ("$n" for ":name").
    const ParamScan &scan() const { return m_scan; }

    // Binding: a name is matched as written, then upper-cased. Throws Error
    // (sqlstate::UndefinedParameter) for a name or index the statement does not have.
    void bind(const QString &name, const Param &value);
    void bind(int index, const Param &value);
    // Values by position, each as text; values beyond the parameter count are ignored.
    void bindValues(const QStringList &values);
    void clearBindings();
    bool isBound(int index) const;
    Param boundValue(int index) const;

    // Runs the statement; the rows it inserted, updated, deleted or returned.
    qint64 execute();
    // Runs the statement and returns its rows.
    Result open();

    // The values in parameter order; throws Error (sqlstate::UndefinedParameter) for one that
    // has none.
    QList<Param> values() const;

    // Literals are read as the session reads them: when its standard_conforming_strings has
    // changed since setSql() (a SET on the session), the text is scanned again, keeping the
    // values bound by name. open() does this itself.
    void followSession();

private:
    void rescan();

    Connection *m_connection;
    ParamScanOptions m_options;
    ParamScan m_scan;
    QList<Param> m_values;
    QList<bool> m_bound;
    bool m_single = false;
};

} // namespace pg
