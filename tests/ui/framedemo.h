#pragma once

// The data frame on fixture tables: the tables themselves, and a main window with a table
// editor that shows one of them in its frame (the demo host program and the tests build the
// same window).
#include "appdoubles.h"
#include "framehosts.h"

#include "core/qvoption.h"
#include "ui/qvdbgrid.h"

#include <QString>

#include <memory>

namespace framedemo {

// fx_data: every kind of cell the frame paints (NULLs, bytea, numeric, timestamptz, text with
// ";" and Japanese), one NULL at most per column and otherwise distinct values, so that any
// sort gives one order. fx_nopk: a table without a primary key. fx_wide: 121 columns.
inline QString fixtureSql()
{
    return QStringLiteral(R"sql(
CREATE TABLE fx_data (
    id integer PRIMARY KEY,
    name text,
    amount numeric(12,3),
    ratio double precision,
    big bigint,
    stamp timestamptz,
    payload bytea,
    flag boolean,
    note varchar(20)
);
INSERT INTO fx_data VALUES
 (1, '受注', 1250.5, 0.25, 9000000000, '2026-01-02 03:04:05.123456+09', '\x0001ff', true, 'a;b'),
 (2, 'order', -3.125, NULL, 12, '2025-12-31 23:59:59+00', '\xdeadbeef', false, 'plain'),
 (3, NULL, 0.5, 1.5e10, -7, '2024-02-29 12:00:00+00', NULL, NULL, 'x'),
 (4, 'Zeta', NULL, -0.001, 0, '2026-06-01 00:00:00+00', '\x', true, NULL),
 (5, 'alpha', 42, 3.14159, 123456789012, NULL, '\x41424344', false, ';'),
 (6, '明細', 99999.999, 2, 5, '1999-12-31 23:59:59.5+00', '\x00', true, 'tab	in'),
 (7, 'omega', 7.07, 7.5, NULL, '2030-03-03 03:03:03+00', '\x7f80', false, 'seven'),
 (8, 'beta', 0.001, 8.25, 88, '2001-01-01 00:00:00+00', '\xc0ffee', NULL, 'eight');
CREATE TABLE fx_nopk (a integer, b text);
INSERT INTO fx_nopk VALUES (1, 'one'), (2, 'two'), (3, 'three');
DO $$
DECLARE cols text := '';
BEGIN
    FOR i IN 1..120 LOOP
        cols := cols || format(', c%s integer', lpad(i::text, 3, '0'));
    END LOOP;
    EXECUTE 'CREATE TABLE fx_wide (id integer PRIMARY KEY' || cols || ')';
    EXECUTE 'INSERT INTO fx_wide SELECT g' || (SELECT string_agg(format(', (g * %s) %% 11', i), '')
                                               FROM generate_series(1, 120) i)
            || ' FROM generate_series(1, 12) g';
END
$$;
)sql");
}

// The main window with a connection and a table editor showing fx_data.
struct DemoWindow
{
    std::unique_ptr<appdoubles::TestMainWindow> main;
    std::unique_ptr<appdoubles::TestConnectionWindow> connection;
    TfrmTable *table = nullptr;
};

inline DemoWindow buildDemo(const QString &database)
{
    DemoWindow demo;
    demo.main = std::make_unique<appdoubles::TestMainWindow>();
    demo.main->resize(1100, 620);
    demo.connection = std::make_unique<appdoubles::TestConnectionWindow>(database, true);
    demo.main->addConnection(demo.connection.get());
    demo.main->selector()->setCurrentIndex(0);
    demo.table = CreateForm<TfrmTable>(demo.main.get());
    if (!demo.table)
        return demo;
    demo.table->setWindowTitle(QStringLiteral("テーブル：public.fx_data - ")
                               + ConnectionKey(*demo.connection));
    demo.table->CreateTaskButton();
    demo.table->setObjType(45);
    demo.table->setTaskCaption(QStringLiteral("public.fx_data"));
    demo.table->txtRecord->setText(QStringLiteral("1000"));
    TfraData *frame = demo.table->fraData;
    frame->TableName = QStringLiteral("public.fx_data");
    TDataTableSource source;
    source.schema = QStringLiteral("public");
    source.name = QStringLiteral("fx_data");
    frame->setTableSource(source);
    frame->Prepare();
    frame->Open();
    demo.main->ShowChildWindow(demo.table);
    if (auto *sub = qobject_cast<QMdiSubWindow *>(demo.table->parentWidget()))
        sub->resize(900, 420);
    return demo;
}

} // namespace framedemo
