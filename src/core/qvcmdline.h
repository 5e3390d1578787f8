#pragma once

#include <QString>

// The switches of the program's command line: "/U=" user, "/PS=" password, "/D=" database,
// "/H=" host, "/P=" port, "/S=" schema. Each switch is one argument, its letters in any case;
// the value is the rest of the argument as typed, and a later repeat wins. Other arguments are
// ignored.
//
//   const TCommandLine line = ReadCommandLine(argc, argv); // first thing in main
//   if (!line.UserID.isEmpty()) ... connect at once
struct TCommandLine
{
    QString UserID;
    QString Password;
    QString Database;
    QString Host;
    QString Port;
    QString Schema;
};

// Reads the switches of argv[1] … argv[argc - 1], decoded from the locale's encoding (UTF-8)
// so that every character survives. The value of each "/PS=" is overwritten in argv's own
// memory as soon as it is read, so that the process list does not show the password to other
// users; run this before anything else looks at argv.
TCommandLine ReadCommandLine(int argc, char **argv);
