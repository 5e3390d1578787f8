#pragma once

// The ground of the query builder's tests: a connection window on a fresh database whose
// current schema is qbuild (emp, dept, "a.b"), the catalog over it, the text directions as
// one call each, and a designer with its grid and editor as the SQL window will host them.
#include "browsertest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "datatools/qvsqlbld.h"
#include "datatools/qvsqlbldmodel.h"
#include "sqllang/qvformat.h"
#include "sqllang/qvmemo.h"
#include "ui/qvgrid.h"

#include <QVBoxLayout>
#include <QWidget>

#include <memory>
#include <ostream>

// Designs print as text in failure messages.
inline void PrintTo(const TqvSQLDesign &d, std::ostream *os)
{
    *os << "kind " << int(d.SQLType) << " view [" << d.ViewName.toStdString() << "]";
    for (const TqvSQLDesignTable &t : d.Tables) {
        *os << "\n  box " << t.TableSchema.toStdString() << "|" << t.TableName.toStdString() << "|"
            << t.AliasText.toStdString() << " cols";
        for (const TqvSQLBuildColumn &c : t.Columns)
            *os << " " << c.Name.toStdString() << (c.Key ? "*" : "");
    }
    for (const TqvSQLDesignConnect &c : d.Connects)
        *os << "\n  line " << c.FromTable << "." << c.FromColumn.toStdString() << " "
            << int(c.ConnectType) << " " << c.ToTable << "." << c.ToColumn.toStdString() << " "
            << int(c.JoinType);
    for (const QStringList &r : d.Rows)
        *os << "\n  row [" << r.join(QStringLiteral("|")).toStdString() << "]";
}

namespace qbuildtest {

class QBuildTest : public browsertest::BrowserTest
{
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        // the formatter as the program starts it: names keep their case
        m_savedFormat = FormatOption;
        FormatOption.ItemTrans = 2;
        // a schema "Sales" beside sales, whose orders table has other columns
        db.exec("CREATE SCHEMA \"Sales\"; "
                "CREATE TABLE \"Sales\".orders (region text PRIMARY KEY, \"Total\" numeric)");
        connection = open(QStringLiteral("qbuild"));
        ASSERT_NE(connection, nullptr);
        catalog = std::make_unique<TqvSQLBuildConnCatalog>(connection);
    }

    void TearDown() override
    {
        FormatOption = m_savedFormat;
        BrowserTest::TearDown();
    }

    // text -> design
    TqvSQLDesign read(const QString &text, TqvSQLType kind = sqltSelect)
    {
        TqvSQLDesign d;
        d.SQLType = kind;
        SQLTextToDesign(text, d, catalog.get());
        return d;
    }
    // design -> text, as the designer writes it
    QString write(TqvSQLDesign &d)
    {
        const QStringList lines = DesignToSQLLines(d, catalog->CurrentSchema());
        return lines.isEmpty() ? QString() : FormatSQL(lines.join(u'\n'));
    }
    // Runs a statement on a second connection in a transaction that is rolled back, with the
    // connection's schema first on the path; throws with the server's message.
    void runRolledBack(const QString &sql, const QString &schema = QStringLiteral("qbuild"))
    {
        db.exec(QStringLiteral("BEGIN; SET LOCAL search_path TO ") + schema + QStringLiteral("; ")
                + sql + QStringLiteral(";\nROLLBACK"));
    }

    // A designer bound as the SQL window binds it.
    struct Host
    {
        QWidget widget;
        TqvSQLDesigner *designer = nullptr;
        TqvStringGrid *grid = nullptr;
        TqvMemo *memo = nullptr;
    };
    std::unique_ptr<Host> host()
    {
        auto h = std::make_unique<Host>();
        auto *layout = new QVBoxLayout(&h->widget);
        h->designer = new TqvSQLDesigner(&h->widget);
        h->grid = new TqvStringGrid(&h->widget);
        h->memo = new TqvMemo(&h->widget);
        layout->addWidget(h->designer);
        layout->addWidget(h->grid);
        layout->addWidget(h->memo);
        h->widget.resize(800, 900);
        h->designer->setDatabase(connection);
        h->designer->setGrid(h->grid);
        h->designer->setSQLText(h->memo);
        h->widget.show();
        return h;
    }

    static QStringList row(const QString &c0, const QString &c1 = {}, bool shown = false,
                           const QString &c3 = {}, const QString &c4 = {}, const QString &c5 = {},
                           const QString &c6 = {})
    {
        return { c0, c1, shown ? QStringLiteral("1") : QString(), c3, c4, c5, c6 };
    }
    static QStringList emptyRow() { return QStringList(SQLBuildGridCols, QString()); }

    TFormatOption m_savedFormat;
    TfrmObject *connection = nullptr;
    std::unique_ptr<TqvSQLBuildConnCatalog> catalog;
    QList<DialogRequest> dialogs;
    int answer = IDOK;
    ScopedDialogResponder responder { [this](DialogRequest &r) {
        dialogs << r;
        return r.buttons.contains(answer) ? answer : r.buttons.value(0, IDOK);
    } };
};

} // namespace qbuildtest
