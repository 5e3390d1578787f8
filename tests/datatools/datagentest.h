#pragma once

// The ground of the generator's tests: a fresh database with the generator's sample tables, a
// connection window on it, a generator with a seeded draw, and a responder that records every
// question and answers it as the test says.
#include "appdoubles.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "datatools/fdatagen.h"
#include "platform/pg/connection.h"
#include "testserver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace datagentest {

class DataGenTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldCommit = AppOption.DataGenCommit;
        AppOption.DataGenCommit = 50;
        gen.setRandomEngine(&rng);
    }
    void TearDown() override { AppOption.DataGenCommit = m_oldCommit; }

    // The columns, keys and default rules of one table.
    void load(const QString &schema, const QString &table)
    {
        gen.Schema = schema;
        gen.ObjectName = table;
        gen.Mode = TDataGenMode::Normal;
        gen.ReadColumns();
        gen.SetDefaultRules();
    }

    TColParams &rule(const QString &column)
    {
        auto it = std::find_if(gen.DataGenColumns.begin(), gen.DataGenColumns.end(),
                               [&](const TColParams &r) { return r.ColumnName == column; });
        if (it == gen.DataGenColumns.end())
            throw std::runtime_error("no column " + column.toStdString());
        return *it;
    }

    // Every other column left out of the statement.
    void only(const QStringList &columns)
    {
        for (TColParams &r : gen.DataGenColumns) {
            if (!columns.contains(r.ColumnName))
                r.SetType = stNone;
        }
    }

    int count(const QString &sql) const { return db.query(sql).toInt(); }

    testsupport::TestDatabase db;
    appdoubles::TestConnectionWindow conn { db.name(), true };
    std::mt19937_64 rng { 20240501 };
    DataGenerator gen { &conn };

    QList<DialogRequest> dialogs;
    int answer = IDYES; // the answer to every question
    bool tickIgnore = false; // "以降のエラーを無視する" ticked at the prompt
    ScopedDialogResponder responder { [this](DialogRequest &r) {
        for (DialogCheck &c : r.checks)
            c.checked = tickIgnore;
        dialogs << r;
        return r.buttons.contains(answer) ? answer
                                          : (r.buttons.isEmpty() ? IDOK : r.buttons.first());
    } };

private:
    qint32 m_oldCommit = 0;
};

} // namespace datagentest
