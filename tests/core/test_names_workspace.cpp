// The workspace list in the registry: round trips, numeric order past ten, entries that start
// clean, and the oid kept as an unsigned 32-bit value.
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "core/qvworkspace.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace workspacetest {

const QString workspaceKey = "\\Software\\Quorlane\\QVR22\\WORKSPACE";

// A registry of the test's own behind AppRegistry.
class OwnRegistry
{
public:
    OwnRegistry()
        : m_store(std::make_unique<reg::SettingsStore>(m_dir.filePath("QVR22.reg")))
        , m_registry(std::make_unique<TqvRegistry>(m_store.get()))
        , m_old(AppRegistry)
    {
        AppRegistry = m_registry.get();
        WorkSpaces.clear();
    }
    ~OwnRegistry()
    {
        AppRegistry = m_old;
        WorkSpaces.clear();
    }
    TqvRegistry &registry() { return *m_registry; }
    // The same file read by a second store, as another run of the program would read it.
    std::unique_ptr<reg::SettingsStore> reopen() const
    {
        return std::make_unique<reg::SettingsStore>(m_dir.filePath("QVR22.reg"));
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<reg::SettingsStore> m_store;
    std::unique_ptr<TqvRegistry> m_registry;
    TqvRegistry *m_old;
};

TqvWorkSpace entry(int type, const QString &name, quint32 oid = 0, const QString &table = {})
{
    TqvWorkSpace w;
    w.ObjectType = type;
    w.Title = "title " + name;
    w.Schema = "public";
    w.ObjectName = name;
    w.Connect = "app @ sales/db1:5432";
    w.oid = oid;
    w.TableName = table;
    return w;
}

TEST(WorkSpace, RoundTripKeepsTwelveEntriesInOrder)
{
    OwnRegistry own;
    QList<TqvWorkSpace> saved;
    for (int i = 0; i < 12; ++i) {
        switch (i % 4) {
        case 0:
            saved << entry(45, QString("table%1").arg(i));
            break;
        case 1:
            saved << entry(52, QString("func%1").arg(i), 4000000000u + i);
            break;
        case 2:
            saved << entry(57, QString("trigger%1").arg(i), 0, "orders");
            break;
        default:
            saved << entry(47, QString::fromUtf8("ビュー%1").arg(i));
        }
    }
    WorkSpaces = saved;
    SaveWorkSpace();

    WorkSpaces.clear();
    LoadWorkSpace();
    EXPECT_EQ(WorkSpaces, saved);

    // Another run of the program reads the same from the file.
    auto store = own.reopen();
    TqvRegistry second(store.get());
    TqvRegistry *mine = AppRegistry;
    AppRegistry = &second;
    WorkSpaces.clear();
    LoadWorkSpace();
    AppRegistry = mine;
    EXPECT_EQ(WorkSpaces, saved);
}

TEST(WorkSpace, StoresOnlyTheFieldsOfTheKind)
{
    OwnRegistry own;
    WorkSpaces = { entry(52, "f", 12345), entry(57, "trg", 0, "orders"), entry(47, "v") };
    // Fields that do not belong to a kind are not written.
    WorkSpaces[2].oid = 99;
    WorkSpaces[2].TableName = "stray";
    SaveWorkSpace();

    TqvRegistry &r = own.registry();
    ASSERT_TRUE(r.OpenKey(workspaceKey + "\\0", false));
    EXPECT_EQ(r.ReadValue("oid")->dword, 12345u);
    EXPECT_FALSE(r.ValueExists("TableName"));
    ASSERT_TRUE(r.OpenKey(workspaceKey + "\\1", false));
    EXPECT_EQ(r.ReadString("TableName"), "orders");
    EXPECT_FALSE(r.ValueExists("oid"));
    ASSERT_TRUE(r.OpenKey(workspaceKey + "\\2", false));
    EXPECT_FALSE(r.ValueExists("oid"));
    EXPECT_FALSE(r.ValueExists("TableName"));
    r.CloseKey();

    LoadWorkSpace();
    EXPECT_EQ(WorkSpaces[2].oid, 0u);
    EXPECT_TRUE(WorkSpaces[2].TableName.isEmpty());
}

TEST(WorkSpace, DeletingAnEntryRenumbersTheRest)
{
    OwnRegistry own;
    WorkSpaces = { entry(45, "a"), entry(45, "b"), entry(45, "c") };
    SaveWorkSpace();
    WorkSpaces.removeAt(1);
    SaveWorkSpace();
    TqvRegistry &r = own.registry();
    ASSERT_TRUE(r.OpenKey(workspaceKey, false));
    EXPECT_EQ(r.GetKeyNames(), QStringList({ "0", "1" }));
    r.CloseKey();
    LoadWorkSpace();
    ASSERT_EQ(WorkSpaces.size(), 2);
    EXPECT_EQ(WorkSpaces[1].ObjectName, "c");

    WorkSpaces.clear();
    SaveWorkSpace();
    EXPECT_FALSE(r.KeyExists(workspaceKey));
    LoadWorkSpace();
    EXPECT_TRUE(WorkSpaces.isEmpty());
    EXPECT_TRUE(r.KeyExists(workspaceKey));
}

TEST(WorkSpace, EntriesStartCleanAndReadStoredBits)
{
    OwnRegistry own;
    TqvRegistry &r = own.registry();
    // Written by hand: a function without "oid", an entry without "ObjectType", a function
    // whose oid has the top bit set, and a subkey whose name is not a number.
    ASSERT_TRUE(r.OpenKey(workspaceKey + "\\0", true));
    r.WriteInteger("ObjectType", 52);
    r.WriteString("ObjectName", "no_oid");
    ASSERT_TRUE(r.OpenKey(workspaceKey + "\\1", true));
    r.WriteString("ObjectName", "no_type");
    ASSERT_TRUE(r.OpenKey(workspaceKey + "\\2", true));
    r.WriteInteger("ObjectType", 128);
    r.WriteValue("oid", reg::Value::fromDWord(0xFFFFFFFEu));
    ASSERT_TRUE(r.OpenKey(workspaceKey + "\\extra", true));
    r.WriteInteger("ObjectType", 47);
    r.WriteString("ObjectName", "extra");
    r.CloseKey();

    // What the list held before must not leak into the entries read.
    WorkSpaces = { entry(57, "old0", 77, "old_table"), entry(52, "old1", 88, "old_table") };
    LoadWorkSpace();
    ASSERT_EQ(WorkSpaces.size(), 4);
    EXPECT_EQ(WorkSpaces[0].ObjectName, "no_oid");
    EXPECT_EQ(WorkSpaces[0].oid, 0u);
    EXPECT_TRUE(WorkSpaces[0].TableName.isEmpty());
    EXPECT_EQ(WorkSpaces[1].ObjectType, 45);
    EXPECT_EQ(WorkSpaces[1].oid, 0u);
    EXPECT_TRUE(WorkSpaces[1].Title.isEmpty());
    EXPECT_EQ(WorkSpaces[2].oid, 4294967294u);
    EXPECT_EQ(WorkSpaces[3].ObjectName, "extra");
}

} // namespace workspacetest
