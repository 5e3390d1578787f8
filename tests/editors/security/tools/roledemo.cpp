// Opens the definition window of one login or group role through a connection window's object
// dispatch, the way the object list opens it, and keeps it on the screen until closed.
//
//   corvane_roledemo USER|ROLE NAME   (server from the PG* environment)
#include "browser/fobject.h"
#include "core/qvobjtype.h"
#include "editors/security/securityeditors.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: corvane_roledemo USER|ROLE NAME\n");
        return 2;
    }
    RegisterSecurityEditors();
    TfrmObject *window = TfrmObject::Create(
        nullptr, qEnvironmentVariable("PGHOST"), qEnvironmentVariable("PGPORT"),
        qEnvironmentVariable("PGDATABASE", QStringLiteral("postgres")), QStringLiteral("public"),
        qEnvironmentVariable("PGUSER"), qEnvironmentVariable("PGPASSWORD"));
    if (!window)
        return 1;
    const int code = qstrcmp(argv[1], "ROLE") == 0 ? ObjType::Role : ObjType::User;
    QWidget *editor = window->OpenObject(code, QString(), QString::fromLocal8Bit(argv[2]));
    if (!editor)
        return 1;
    editor->move(0, 0);
    return app.exec();
}
