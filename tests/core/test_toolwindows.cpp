// The window registry: a registered window opens with the caller's connection and arguments; a
// name without a window, a failing opener and the silent abort are told (or not) as the
// dispatch of the object editors tells them; whoever offers the commands hears of each change.
#include "core/qvdialoghook.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvtoolwindows.h"

#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const QString TestWindow = QStringLiteral("TestWindow");

// Removes the test's window whatever the test left there.
struct Unregister
{
    ~Unregister() { RegisterToolWindow(TestWindow, {}); }
};

} // namespace

TEST(ToolWindows, OpensTheRegisteredWindowWithTheCallersConnectionAndArguments)
{
    Unregister cleanup;
    EXPECT_FALSE(IsToolWindowRegistered(TestWindow));
    QSignalSpy changes(ToolWindowNotifier::instance(), &ToolWindowNotifier::windowsChanged);

    QWidget window;
    // an address the registry hands on and never looks at
    auto *connection = reinterpret_cast<ConnectionWindow *>(&window);
    ConnectionWindow *seen = nullptr;
    TToolWindowArgs seenArgs;
    const TToolWindowOpener previous = RegisterToolWindow(
        TestWindow, [&](ConnectionWindow *current, const TToolWindowArgs &args) -> QWidget * {
            seen = current;
            seenArgs = args;
            return &window;
        });
    EXPECT_FALSE(previous);
    EXPECT_TRUE(IsToolWindowRegistered(TestWindow));
    EXPECT_EQ(changes.count(), 1);

    TToolWindowArgs args;
    args.Schema = "public";
    args.SQLText = "select 1";
    args.Execute = true;
    EXPECT_EQ(OpenToolWindow(TestWindow, connection, args), &window);
    EXPECT_EQ(seen, connection);
    EXPECT_EQ(seenArgs.Schema, "public");
    EXPECT_EQ(seenArgs.SQLText, "select 1");
    EXPECT_TRUE(seenArgs.Execute);
    EXPECT_FALSE(seenArgs.Explain);

    // Registering again replaces the opener and hands back the one replaced; an empty one
    // removes the window.
    EXPECT_TRUE(RegisterToolWindow(TestWindow, [](ConnectionWindow *, const TToolWindowArgs &) {
        return static_cast<QWidget *>(nullptr);
    }));
    EXPECT_TRUE(RegisterToolWindow(TestWindow, {}));
    EXPECT_FALSE(IsToolWindowRegistered(TestWindow));
    EXPECT_EQ(changes.count(), 3);
}

TEST(ToolWindows, FailuresAreShownAndTheSilentAbortIsNot)
{
    Unregister cleanup;
    QStringList shown;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        shown << request.text;
        return IDOK;
    });
    struct Case
    {
        const char *name;
        std::function<void()> fault; // nothing: the window is not registered
        QString message; // empty: nothing is shown
    };
    const Case cases[] = {
        { "not registered", {}, QStringLiteral("ウィンドウ TestWindow はありません。") },
        { "opener fails", [] { throw std::runtime_error("no window today"); },
          QStringLiteral("no window today") },
        { "silent abort", [] { throw SilentAbort(); }, QString() },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        shown.clear();
        if (c.fault) {
            const std::function<void()> fault = c.fault;
            RegisterToolWindow(TestWindow, [fault](ConnectionWindow *, const TToolWindowArgs &) {
                fault();
                return static_cast<QWidget *>(nullptr);
            });
        } else {
            RegisterToolWindow(TestWindow, {});
        }
        EXPECT_EQ(OpenToolWindow(TestWindow, nullptr), nullptr);
        EXPECT_EQ(shown, c.message.isEmpty() ? QStringList() : QStringList { c.message });
    }
}
