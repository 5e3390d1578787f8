#pragma once

// The ground of the connection-window tests: a fresh database of the fixture server, a
// settings file and a main window of the test's own, and the options a test may change put
// back afterwards.
#include "appdoubles.h"
#include "browserdoubles.h"

#include "browser/fobject.h"
#include "core/qvoption.h"
#include "testserver.h"

#include <QCoreApplication>
#include <QPointer>

#include <gtest/gtest.h>

namespace browsertest {

class BrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedOption = AppOption;
        AppOption.UpdateToCommit = true;
        AppOption.KeepAliveInterval = 0;
        AppOption.CharacterSet = QStringLiteral("UTF8");
        main.resize(900, 600);
        main.show();
    }
    void TearDown() override
    {
        // Windows still open go before the database does.
        const QList<QMdiSubWindow *> subs = main.mdiArea()->subWindowList();
        for (QMdiSubWindow *sub : subs)
            delete sub;
        AppOption = m_savedOption;
    }

    // A connection window on the test's database, as the logon dialog makes it.
    TfrmObject *open(const QString &schema = QStringLiteral("public"))
    {
        const testsupport::ServerInfo &s = testsupport::server();
        return TfrmObject::Create(&main, s.host, QString::number(s.port), db.name(), schema, s.user,
                                  QString());
    }

    // Closes window as the user does and waits until it is gone.
    static void closeWindow(TfrmObject *window)
    {
        QPointer<TfrmObject> alive(window);
        window->close();
        for (int i = 0; i < 50 && alive; ++i)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString query(const QString &sql) const { return db.query(sql); }

    testsupport::TestDatabase db;
    appdoubles::OwnRegistry registry;
    MainDouble main;

private:
    TqvOption m_savedOption;
};

} // namespace browsertest
