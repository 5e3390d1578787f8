#pragma once

// A record grid over a real table of a fresh test database, in a window that is shown and
// active, with every question answered by a recording responder.
#include "uitest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "testserver.h"
#include "ui/qvdbgrid.h"

#include <QLineEdit>
#include <QVBoxLayout>

#include <memory>

namespace dbgridtest {

// The questions and messages a test saw, answered with `answer` (IDOK / IDYES by default).
struct Responder
{
    QList<DialogRequest> asked;
    int answer = 0;

    int respond(DialogRequest &request)
    {
        asked << request;
        if (answer != 0 && request.buttons.contains(answer))
            return answer;
        if (request.buttons.contains(IDOK))
            return IDOK;
        if (request.buttons.contains(IDYES))
            return IDYES;
        return request.buttons.value(0, IDOK);
    }
    QStringList texts() const
    {
        QStringList t;
        for (const DialogRequest &r : asked)
            t << r.text;
        return t;
    }
};

struct GridFixture
{
    testsupport::TestDatabase db;
    pg::Connection connection;
    pg::DataSet dataSet { &connection };
    QWidget window;
    TqvDBGrid *grid = nullptr;
    Responder responder;
    std::unique_ptr<ScopedDialogResponder> hook;
    bool savedUpdateToCommit = AppOption.UpdateToCommit;

    // setup: statements that make the table; sql: the query the grid shows
    GridFixture(bool recordsInRows, const QString &setup, const QString &sql,
                QSize size = QSize(640, 360))
    {
        AppOption.UpdateToCommit = true;
        if (!setup.isEmpty())
            db.exec(setup);
        const testsupport::ServerInfo &s = testsupport::server();
        connection.setParam("Server", s.host);
        connection.setParam("Port", QString::number(s.port));
        connection.setParam("Database", db.name());
        connection.setParam("User_Name", s.user);
        connection.open();
        hook = std::make_unique<ScopedDialogResponder>(
            [this](DialogRequest &r) { return responder.respond(r); });
        auto *layout = new QVBoxLayout(&window);
        if (recordsInRows)
            grid = new TqvDBGridV(&window);
        else
            grid = new TqvDBGridH(&window);
        grid->setOptions(grid->Options() | dgMultiSelect);
        layout->addWidget(grid);
        auto *outside = new QLineEdit(&window);
        outside->setObjectName("outside");
        layout->addWidget(outside);
        window.resize(size);
        grid->setDataSet(&dataSet);
        if (!sql.isEmpty()) {
            dataSet.setSql(sql);
            dataSet.open();
        }
    }

    ~GridFixture()
    {
        AppOption.UpdateToCommit = savedUpdateToCommit;
        // nothing may ask while the fixture goes
        grid->setDataSet(nullptr);
    }

    bool show()
    {
        if (!showActive(window))
            return false;
        grid->setFocus();
        QApplication::processEvents();
        return true;
    }

    // Where keys go: the editor while it is shown, else the grid.
    QWidget *keyTarget() const
    {
        QLineEdit *editor = grid->InplaceEditor();
        return editor && editor->isVisible() ? static_cast<QWidget *>(editor)
                                             : static_cast<QWidget *>(grid);
    }

    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(keyTarget(), Qt::Key(k), modifiers);
    }

    void click(int col, int row, Qt::KeyboardModifiers modifiers = {},
               Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(grid->viewport(), button, modifiers,
                          grid->GetCellRect(col, row).center());
    }

    // The records selected, as row numbers of the data set.
    QList<int> selectedRows() const
    {
        QList<int> rows;
        for (const pg::Bookmark b : grid->SelectedRecords()->Bookmarks())
            rows << dataSet.rowOf(b);
        return rows;
    }

    QString second(const QString &sql) const { return db.query(sql); }
};

} // namespace dbgridtest
