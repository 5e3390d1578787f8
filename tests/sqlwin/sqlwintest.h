#pragma once

// The ground of the SQL window's tests: a connection window on a fresh database inside the
// connection window tests' main window, a history folder of the test's own, and a responder
// that records every dialog and answers it as the test says.
#include "browsertest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvsub.h"
#include "sqlwin/fsql.h"

#include <QDir>
#include <QTemporaryDir>

#include <functional>

namespace sqlwintest {

class SqlWinTest : public browsertest::BrowserTest
{
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        AppOption.TempDir = m_temp.path() + QStringLiteral("/temp/");
        AppOption.SQLBuf = 32;
        AppOption.UsePartial = false;
        SQLLogList.clear();
        db.exec("CREATE TABLE t (id int PRIMARY KEY, v text); "
                "INSERT INTO t VALUES (1, 'a'), (2, 'b')");
    }
    void TearDown() override
    {
        SQLLogList.clear();
        BrowserTest::TearDown();
    }

    TfrmSQL *sqlWindow(TfrmObject *connection)
    {
        return ShowWindow<TfrmSQL>(static_cast<QObject *>(&main));
        (void)connection;
    }

    // Sets the text as typed and runs it.
    void run(TfrmSQL *w, const QString &text)
    {
        w->txtSQL->setText(text);
        w->txtSQL->setModified(true);
        w->actExecExecute();
    }

    // Every dialog shown; checks answered by tickAll (the captions ticked).
    QList<DialogRequest> dialogs;
    QStringList tick;
    QString fileAnswer;
    ScopedDialogResponder responder { [this](DialogRequest &r) {
        for (DialogCheck &c : r.checks)
            c.checked = tick.contains(c.caption);
        if (r.kind == DialogKind::OpenFile || r.kind == DialogKind::SaveFile)
            r.value = fileAnswer;
        dialogs << r;
        return r.buttons.isEmpty() ? IDOK : r.buttons.first();
    } };
    QTemporaryDir m_temp;
};

} // namespace sqlwintest
