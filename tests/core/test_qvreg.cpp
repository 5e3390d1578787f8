// The readers of the program's registry object: stored values come back, anything missing, of
// another kind or of the wrong size gives the caller's default, and nothing throws.
#include "core/qvreg.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using reg::Value;

TEST(TqvRegistry, ReadersReturnTheStoredValueOrTheDefault)
{
    QTemporaryDir dir;
    reg::SettingsStore store(dir.path() + "/QVR22.reg");
    TqvRegistry r(&store);
    const QString key = "\\Software\\Quorlane\\QVR22\\TEST";
    ASSERT_TRUE(r.OpenKey(key, true));
    r.WriteValue("Two", Value::fromDWord(2));
    r.WriteValue("Minus", Value::fromDWord(0xFFFFFFFFu));
    r.WriteValue("One", Value::fromString("1"));
    r.WriteValue("Empty", Value::fromString(""));
    r.WriteValue("Text", Value::fromString("abc"));
    r.WriteValue("Expand", Value::fromExpandString("%TEMP%"));
    r.WriteValue("Nul", Value::fromString(QString("ab") + QChar(0) + "cd"));
    r.WriteValue("Four", Value::fromBinary(QByteArray(4, '\1')));
    r.WriteFloat("Double", 45678.5);
    r.WriteCurrency("Money", 1234567);
    r.CloseKey();

    ASSERT_TRUE(r.OpenKey(key, false));
    struct Case
    {
        const char *what;
        std::function<bool()> check;
    };
    const std::vector<Case> cases = {
        {"GetBool of 2 is true", [&] { return r.GetBool("Two", false); }},
        {"GetBool of a string \"1\" is the default", [&] { return !r.GetBool("One", false); }},
        {"GetBool of a missing value is the default", [&] { return r.GetBool("Missing", true); }},
        {"GetInteger is signed", [&] { return r.GetInteger("Minus", 0) == -1; }},
        {"GetInteger of a string is the default", [&] { return r.GetInteger("Text", 9) == 9; }},
        {"GetString of an empty string is the default",
         [&] { return r.GetString("Empty", "dflt") == "dflt"; }},
        {"GetString of a DWORD is the default", [&] { return r.GetString("Two", "dflt") == "dflt"; }},
        {"GetString reads a string", [&] { return r.GetString("Text", "dflt") == "abc"; }},
        {"GetString reads an expandable string unexpanded",
         [&] { return r.GetString("Expand", "") == "%TEMP%"; }},
        {"GetString stops at the first NUL", [&] { return r.GetString("Nul", "") == "ab"; }},
        {"GetDateTime of 4 bytes is the default",
         [&] { return r.GetDateTime("Four", 1.5) == 1.5; }},
        {"GetFloat reads 8 bytes", [&] { return r.GetFloat("Double", 0) == 45678.5; }},
        {"GetDate keeps the fraction", [&] { return r.GetDate("Double", 0) == 45678.5; }},
        {"GetTime keeps the whole value", [&] { return r.GetTime("Double", 0) == 45678.5; }},
        {"GetCurrency reads 8 bytes", [&] { return r.GetCurrency("Money", 0) == 1234567; }},
        {"GetCurrency of a DWORD is the default", [&] { return r.GetCurrency("Two", 5) == 5; }},
    };
    for (const Case &c : cases)
        EXPECT_TRUE(c.check()) << c.what;
    r.CloseKey();

    // With the key missing (and not created) nothing is open: every read is the default.
    EXPECT_FALSE(r.OpenKey("\\Software\\Quorlane\\QVR22\\NOSUCHKEY", false));
    EXPECT_EQ(r.GetInteger("Two", 42), 42);
    EXPECT_EQ(r.GetString("Text", "d"), "d");
}
