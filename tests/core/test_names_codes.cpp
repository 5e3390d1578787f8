// The fixed tables of the core: object-type codes, connection keys and the report items, and
// the reload broadcast to connection windows.
#include "core/qvconnkey.h"
#include "core/qvobjectwindows.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "core/qvstr.h"
#include "core/qvxls.h"

#include <QMap>

#include <gtest/gtest.h>

#include <stdexcept>

namespace codestest {

TEST(ObjectTypeCodes, TranslateBothWays)
{
    const QMap<int, QString> keywords = {
        { 2, "USER" },
        { 3, "USER" },
        { 45, "TABLE" },
        { 46, "INDEX" },
        { 47, "VIEW" },
        { 48, "JAVA SOURCE" },
        { 49, "JAVA CLASS" },
        { 50, "JAVA RESOURCE" },
        { 51, "PROCEDURE" },
        { 52, "FUNCTION" },
        { 53, "PACKAGE" },
        { 54, "PACKAGE BODY" },
        { 55, "TYPE" },
        { 56, "TYPE BODY" },
        { 57, "TRIGGER" },
        { 58, "SEQUENCE" },
        { 59, "CLUSTER" },
        { 60, "SYNONYM" },
        { 61, "MATERIALIZED VIEW" },
        { 62, "MATERIALIZED VIEW LOG" },
        { 63, "REFRESH GROUP" },
        { 64, "DATABASE LINK" },
        { 65, "LIBRARY" },
        { 66, "CONSTRAINT" },
        { 67, "PROFILE" },
        { 68, "ROLE" },
        { 69, "TABLESPACE" },
        { 70, "ROLLBACK SEGMENT" },
        { 72, "DIRECTORY" },
        { 73, "TABLE PARTITION" },
        { 74, "INDEX PARTITION" },
        { 127, "RULE" },
        { 128, "AGGREGATE" },
    };
    for (int code = -1; code <= 200; ++code) {
        const QString keyword = keywords.value(code);
        EXPECT_EQ(GetObjectTypeName(code), keyword) << code;
        if (!keyword.isEmpty()) {
            EXPECT_EQ(GetObjectTypeCode(keyword), code == 3 ? 2 : code) << code;
        }
    }
    for (const int none : { 4, 126, 129 })
        EXPECT_TRUE(GetObjectTypeName(none).isEmpty()) << none;
}

TEST(ObjectTypeCodes, KeywordsAreMatchedInAsciiUpperCase)
{
    EXPECT_EQ(GetObjectTypeCode("materialized view"), 61);
    EXPECT_EQ(GetObjectTypeCode("Package Body"), 54);
    EXPECT_EQ(GetObjectTypeCode(" TABLE"), -1);
    EXPECT_EQ(GetObjectTypeCode("POLICY"), -1);
    EXPECT_EQ(GetObjectTypeCode("SCHEMA"), -1);
    EXPECT_EQ(GetObjectTypeCode("MATERIALIZED  VIEW"), -1);
    // Locale rules would turn the dotless i and the full-width letters into these keywords.
    EXPECT_EQ(GetObjectTypeCode(QString::fromUtf8("trıgger")), -1);
    EXPECT_EQ(GetObjectTypeCode(QString::fromUtf8("ｔａｂｌｅ")), -1);
}

const TRecParam sample
    = MakeRecParam("db1", "sales", "public", "5432", "app", "secret", "orders_pkey", "", "orders");

TEST(ConnectionKeys, EveryModeAsDocumented)
{
    TRecParam withSignature = sample;
    withSignature.strObjNm = "f";
    withSignature.strParamNm = "int4,text";
    TRecParam noSignature = withSignature;
    noSignature.strParamNm.clear();

    struct Case
    {
        TRecParam param;
        int mode;
        const char *expected;
    };
    const Case cases[] = {
        { sample, 0, "app @ sales/db1:5432" },
        { sample, 1, "app.orders_pkey @ sales/db1:5432" },
        { sample, 2, "app @ sales/db1:5432:public" },
        { sample, 3, "public @ sales/db1:5432" },
        { sample, 4, "public.orders_pkey @ sales/db1:5432" },
        { withSignature, 5, "public.f(int4,text) @ sales/db1:5432" },
        { noSignature, 5, "public.f @ sales/db1:5432" },
        { sample, 6, "public.orders.orders_pkey @ sales/db1:5432" },
        { sample, 7, "orders_pkey @ sales/db1:5432" },
        { sample, 8, "" },
        { sample, -1, "" },
        { MakeRecParam("db1", "", "", "5432", "", "", "", "", ""), 0, " @ /db1:5432" },
    };
    for (const Case &c : cases) {
        EXPECT_EQ(GetRecParamCaption(c.param, c.mode, false), QString::fromUtf8(c.expected))
            << "mode " << c.mode;
        EXPECT_FALSE(GetRecParamCaption(c.param, c.mode, false).contains("secret"));
    }
    EXPECT_EQ(GetRecParamCaption(sample, 9, true), "");
    EXPECT_EQ(GetRecParamCaption(noSignature, 4, false), GetRecParamCaption(noSignature, 5, false));
}

TEST(ConnectionKeys, TheKeyHoldsNoSchema)
{
    TRecParam other = sample;
    other.strSchema = "sales";
    EXPECT_EQ(GetRecParamCaption(sample, 0, false), GetRecParamCaption(other, 0, false));
}

TEST(ConnectionKeys, ShortenedKeysAreCutOnCharacterBoundaries)
{
    auto key
        = [](const QString &user, const QString &db, const QString &server, const QString &port) {
              return GetRecParamCaption(MakeRecParam(server, db, "", port, user, "", "", "", ""), 0,
                                        true);
          };
    // " @ /:" is five characters of its own.
    EXPECT_EQ(key("abc", "e", "f", "12"), "abc @ e/f:12"); // 12: as it is
    EXPECT_EQ(key("abcd", "e", "f", "12"), QString("abcd @ e/f") + QChar(0x2026)); // 13: cut
    EXPECT_EQ(key("abcde", "e", "f", "12"), QString("abcde @ e/") + QChar(0x2026));
    // The tenth character is a pair of UTF-16 units; it is kept whole.
    const QString face = QString::fromUtf8("😀");
    const QString shortened = key("123456789" + face + "x", "d", "s", "1");
    EXPECT_EQ(shortened, "123456789" + face + QChar(0x2026));
    EXPECT_EQ(key(QString::fromUtf8("日本語のユーザー名です"), "d", "s", "1"),
              QString::fromUtf8("日本語のユーザー名で") + QChar(0x2026));
}

TEST(ConnectionKeys, ParametersAreReadByName)
{
    const QMap<QString, QString> params
        = { { "Server", "db1" },    { "Port", "5432" },       { "Database", "sales" },
            { "User_Name", "app" }, { "Password", "secret" }, { "MetaDefSchema", "public" } };
    const TConnParams conn
        = TConnParams::fromLookup([&](const QString &name) { return params.value(name); });
    const TRecParam p = MakeRecParam(conn, "orders_pkey", "", "orders");
    EXPECT_EQ(p, sample);
    EXPECT_EQ(GetToolConnectString(conn, "normal"), "app/secret@sales");
    EXPECT_EQ(GetToolConnectString(conn, "SYSDBA"), "app/secret@sales AS SYSDBA");
    EXPECT_EQ(GetToolConnectString(conn, ""), "app/secret@sales AS ");
}

TEST(ConnectionKeys, FoldNameCaseFollowsTheOption)
{
    const bool old = AppOption.UseLowerName;
    AppOption.UseLowerName = true;
    EXPECT_EQ(FoldNameCase("PK_Orders"), "PK_Orders");
    AppOption.UseLowerName = false;
    EXPECT_EQ(FoldNameCase("PK_Orders"), "pk_orders");
    AppOption.UseLowerName = old;
}

TEST(ReportItems, LookupsByLabelAndKeyword)
{
    EXPECT_EQ(FindRepData("TABLE", 1), rtTable);
    EXPECT_EQ(FindRepData(QString::fromUtf8("テーブル定義"), 0), rtTable);
    EXPECT_EQ(FindRepData("OBJECT", 1), rtObject);
    EXPECT_EQ(FindRepData("STORAGE", 1), rtTableSpace);
    EXPECT_EQ(FindRepData("STORAGETYPE", 1), rtStorageType);
    EXPECT_EQ(FindRepData(QString::fromUtf8("表領域名"), 0), rtTableSpace);
    // Unknown texts are not taken for the object list.
    EXPECT_EQ(FindRepData("table", 1), std::nullopt);
    EXPECT_EQ(FindRepData("NOSUCHKEY", 1), std::nullopt);
    EXPECT_EQ(FindRepData("", 1), std::nullopt);
    EXPECT_EQ(FindRepData("", 0), std::nullopt);
    EXPECT_EQ(FindRepData("TABLE", 2), std::nullopt);

    int filled = 0;
    for (int i = 0; i < RepDataCount; ++i) {
        const TqvRepDataItem &item = RepDataItems[i];
        EXPECT_EQ(item.label.isEmpty(), item.keyword.isEmpty()) << i;
        if (item.keyword.isEmpty())
            continue;
        ++filled;
        EXPECT_EQ(FindRepData(item.keyword, 1), TqvRepData(i)) << i;
        EXPECT_EQ(FindRepData(item.label, 0), TqvRepData(i)) << i;
    }
    EXPECT_EQ(filled, 28);
    EXPECT_TRUE(RepDataItems[rtCreateDate].keyword.isEmpty());
    EXPECT_TRUE(RepDataItems[rtIndexUsed].label.isEmpty());
}

TEST(ReportItems, ItemSets)
{
    EXPECT_TRUE(RepDataTypes.contains(rtView));
    EXPECT_FALSE(RepDataTypes.contains(rtIndex));
    for (int i = rtTableSpace; i <= rtPartitionKey; ++i)
        EXPECT_TRUE(RepHeaderIndex.contains(TqvRepData(i))) << i;
    EXPECT_FALSE(RepHeaderIndex.contains(rtInherits));
    EXPECT_TRUE(RepHeaderIndex.contains(rtIndexType));
    for (int i = rtColumnName; i <= rtIsPrimaryKey; ++i)
        EXPECT_TRUE(RepBodyColumn.contains(TqvRepData(i))) << i;
    EXPECT_FALSE(RepBodyColumn.contains(rtConstName));
    EXPECT_TRUE(RepBodyConst.contains(rtConstValue));
    EXPECT_TRUE(RepHeaderView.contains(rtDDL));
    EXPECT_FALSE(RepHeaderTable.contains(rtDDL));
}

class FakeConnectionWindow : public ObjectListWindow
{
public:
    FakeConnectionWindow(QStringList *log, QString name, bool fails = false)
        : m_log(log)
        , m_name(std::move(name))
        , m_fails(fails)
    { }
    void reloadObjectList() override
    {
        *m_log << m_name;
        if (m_fails)
            throw std::runtime_error("lost connection");
    }

private:
    QStringList *m_log;
    QString m_name;
    bool m_fails;
};

class FakeMainWindow : public WindowDirectory
{
public:
    QList<ObjectListWindow *> windows;
    QList<ObjectListWindow *> connectionWindows() const override { return windows; }
};

TEST(RefreshObjectWindows, AsksEveryConnectionWindowInOrder)
{
    QStringList log;
    FakeConnectionWindow a(&log, "a"), b(&log, "b", true), c(&log, "c");
    FakeMainWindow main;

    setWindowDirectory(nullptr);
    EXPECT_NO_THROW(RefreshObjectWindows());

    setWindowDirectory(&main);
    EXPECT_NO_THROW(RefreshObjectWindows()); // no connection window open
    EXPECT_TRUE(log.isEmpty());

    main.windows = { &a, &c };
    RefreshObjectWindows();
    EXPECT_EQ(log, QStringList({ "a", "c" }));

    log.clear();
    main.windows = { &a, &b, &c };
    EXPECT_THROW(RefreshObjectWindows(), std::runtime_error);
    EXPECT_EQ(log, QStringList({ "a", "b", "c" })) << "a failing window stops nobody";
    setWindowDirectory(nullptr);
}

} // namespace codestest
