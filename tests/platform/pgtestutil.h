#pragma once

// Sessions of the data-access layer on the fixture server's test databases.

#include "testserver.h"

#include "platform/pg/connection.h"

#include <memory>

namespace pgtest {

inline std::unique_ptr<pg::Connection> connect(const testsupport::TestDatabase &db)
{
    const testsupport::ServerInfo &s = testsupport::server();
    auto c = std::make_unique<pg::Connection>();
    c->setParam(QStringLiteral("Server"), s.host);
    c->setParam(QStringLiteral("Port"), QString::number(s.port));
    c->setParam(QStringLiteral("Database"), db.name());
    c->setParam(QStringLiteral("User_Name"), s.user);
    c->setParam(QStringLiteral("ApplicationName"), QStringLiteral("corvane-test"));
    c->open();
    return c;
}

} // namespace pgtest
