// The base window: the close question, window state, task button and caption, binding to a
// connection and following a re-binding, activation, the application messages, page keys,
// schema prefixes and the factories that catch the silent abort.
#include "appdoubles.h"
#include "uitest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "platform/pg/dataset.h"
#include "ui/qvforms.h"

#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace appdoubles;

namespace formstest {

// A window with the hooks the tests watch.
class TestForm : public TqvForm
{
public:
    explicit TestForm(QObject *owner, bool needsConnection = true)
        : TqvForm(owner, needsConnection)
    {
        resize(320, 240);
    }

    void ChangedIsNew() override { ++changedIsNew; }
    void Compile(QObject *sender) override
    {
        ++compiles;
        compileSender = sender;
        if (compileClears)
            setModified(false);
    }
    void Reload(QObject *sender) override { reloads << sender; }
    void DBChange(QObject *sender) override { dbChanges << sender; }
    void LoadWindowState() override { LoadWindowSize("TESTFORM"); }
    void SaveWindowState() override
    {
        ++saves;
        SaveWindowSize("TESTFORM");
    }

    int changedIsNew = 0;
    int compiles = 0;
    QObject *compileSender = nullptr;
    bool compileClears = true;
    bool refuse = false;
    int saves = 0;
    QList<QObject *> reloads;
    QList<QObject *> dbChanges;

protected:
    void FormCloseQuery(bool &canClose) override { canClose = !refuse; }
};

// Gives up in its constructor, as a window for an object that is open already does.
class AbortingForm : public TqvForm
{
public:
    explicit AbortingForm(QObject *owner)
        : TqvForm(owner, false)
    {
        throw SilentAbort();
    }
};

// Fails in its constructor with a database error.
class FailingForm : public TqvForm
{
public:
    explicit FailingForm(QObject *owner)
        : TqvForm(owner, false)
    {
        throw pg::Error("42P01", "relation \"x\" does not exist");
    }
};

const QString guiKey = "\\Software\\Quorlane\\QVR22\\GUI\\TESTFORM";

std::optional<qint32> storedInt(reg::SettingsStore &store, const QString &name)
{
    const auto v = store.value(guiKey, name);
    if (!v || v->kind != reg::ValueKind::DWord)
        return std::nullopt;
    return qint32(v->dword);
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Collects the questions put to the user and answers each with answer.
struct Questions
{
    explicit Questions(int answer)
        : responder([this, answer](DialogRequest &r) {
            texts << r.text;
            flags << r.flags;
            return answer;
        })
    { }
    QStringList texts;
    QList<int> flags;
    ScopedDialogResponder responder;
};

enum class Answer { Yes, YesStaysModified, No, Cancel };

TEST(BaseWindowClose, QuestionTable)
{
    OwnRegistry registry;
    // Another window's TOAST object (the process-wide flag) must not silence this window.
    const bool oldToast = IsToastObject;
    IsToastObject = true;
    const QString question = QStringLiteral("情報が変更されています。コンパイルしますか？");
    int cases = 0;
    for (const bool modified : { false, true })
        for (const bool toast : { false, true })
            for (const bool refuse : { false, true })
                for (const Answer answer :
                     { Answer::Yes, Answer::YesStaysModified, Answer::No, Answer::Cancel }) {
                    SCOPED_TRACE(testing::Message()
                                 << "modified " << modified << " toast " << toast << " refuse "
                                 << refuse << " answer " << int(answer));
                    registry.store().deleteKey(guiKey);
                    const int code = answer == Answer::No ? IDNO
                        : answer == Answer::Cancel        ? IDCANCEL
                                                          : IDYES;
                    Questions asked(code);
                    QPointer<TestForm> form = CreateForm<TestForm>(nullptr, false);
                    ASSERT_TRUE(form);
                    form->show();
                    form->setModified(modified);
                    form->setIsToastObject(toast);
                    form->refuse = refuse;
                    form->compileClears = answer != Answer::YesStaysModified;

                    const bool closed = form->close();
                    flushDeletes();

                    const bool expectQuestion = modified && !toast;
                    const bool expectClose = !refuse
                        && (!expectQuestion || answer == Answer::No || answer == Answer::Yes);
                    ASSERT_EQ(asked.texts.size(), expectQuestion ? 1 : 0);
                    if (expectQuestion) {
                        EXPECT_EQ(asked.texts.first(), question);
                        EXPECT_EQ(asked.flags.first(), MB_YESNOCANCEL | MB_ICONQUESTION);
                    }
                    EXPECT_EQ(closed, expectClose);
                    EXPECT_EQ(form.isNull(), expectClose) << "a closed window is destroyed";
                    EXPECT_EQ(storedInt(registry.store(), "Width").has_value(), expectClose);
                    if (expectClose) {
                        EXPECT_EQ(storedInt(registry.store(), "Width"), 320);
                    }
                    if (form) {
                        EXPECT_EQ(form->compiles, expectQuestion && code == IDYES ? 1 : 0);
                        if (form->compiles) {
                            EXPECT_EQ(form->compileSender, form.data());
                        }
                        form->setModified(false);
                        form->refuse = false;
                        ScopedDialogResponder quiet([](DialogRequest &) { return IDNO; });
                        form->close();
                        flushDeletes();
                    }
                    ++cases;
                }
    EXPECT_EQ(cases, 32);
    IsToastObject = oldToast;
}

TEST(BaseWindowClose, FailingCompileKeepsWindowOpenAndShowsError)
{
    OwnRegistry registry;
    class Failing : public TestForm
    {
    public:
        Failing()
            : TestForm(nullptr, false)
        { }
        void Compile(QObject *) override { throw pg::Error("42601", "syntax error"); }
    };
    QPointer<Failing> form = CreateForm<Failing>();
    ASSERT_TRUE(form);
    form->setModified(true);
    QStringList shown;
    ScopedDialogResponder responder([&shown](DialogRequest &r) {
        shown << r.text;
        return r.buttons.contains(IDYES) ? IDYES : IDOK;
    });
    EXPECT_FALSE(form->close());
    flushDeletes();
    ASSERT_TRUE(form);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[1].contains("syntax error"));
    EXPECT_FALSE(storedInt(registry.store(), "Width").has_value());
    form->setModified(false);
    delete form.data();
}

TEST(BaseWindowState, SizeRoundTripsAndMaximisedLeavesItAlone)
{
    OwnRegistry registry;
    ScopedDialogResponder no([](DialogRequest &) { return IDNO; });
    {
        QPointer<TestForm> form = CreateForm<TestForm>(nullptr, false);
        form->show();
        form->resize(410, 290);
        form->close();
        flushDeletes();
    }
    EXPECT_EQ(storedInt(registry.store(), "Width"), 410);
    EXPECT_EQ(storedInt(registry.store(), "Height"), 290);
    {
        QPointer<TestForm> form = CreateForm<TestForm>(nullptr, false);
        EXPECT_EQ(form->size(), QSize(410, 290)) << "read back at construction";
        form->showMaximized();
        QCoreApplication::processEvents();
        ASSERT_TRUE(form->windowState() & Qt::WindowMaximized);
        form->close();
        flushDeletes();
        EXPECT_FALSE(form);
    }
    EXPECT_EQ(storedInt(registry.store(), "Width"), 410);
    EXPECT_EQ(storedInt(registry.store(), "Height"), 290);
}

TEST(BaseWindowTask, CaptionShortening)
{
    TestMainWindow main;
    QPointer<TestForm> form = CreateForm<TestForm>(nullptr, false);
    EXPECT_EQ(form->TaskCaption(), "");
    form->setTaskCaption("without a button");
    EXPECT_EQ(form->TaskCaption(), "") << "no button, nothing shown";
    form->CreateTaskButton();
    ASSERT_TRUE(form->TaskButton());
    const struct
    {
        QString caption;
        QString shown;
    } cases[] = {
        { "", "" },
        { "abcdefghijk", "abcdefghijk" },
        { "abcdefghijkl", "abcdefghijkl" },
        { "abcdefghijklm", QStringLiteral("abcdefghijkl…") },
        { QStringLiteral("テーブル：受注明細テーブル"),
          QStringLiteral("テーブル：受注明細テーブ…") },
        { QStringLiteral("𠮷野家𠮷野家𠮷野家𠮷野家"), QStringLiteral("𠮷野家𠮷野家𠮷野家𠮷野家") },
        { QStringLiteral("𠮷野家𠮷野家𠮷野家𠮷野家x"),
          QStringLiteral("𠮷野家𠮷野家𠮷野家𠮷野家…") },
    };
    for (const auto &c : cases) {
        form->setTaskCaption(c.caption);
        EXPECT_EQ(form->TaskCaption(), c.shown) << c.caption.toStdString();
    }
    delete form.data();
}

TEST(BaseWindowTask, ButtonFollowsWindowAndLeavesWithIt)
{
    TestMainWindow main;
    QPointer<TestForm> first = CreateForm<TestForm>(nullptr, false);
    QPointer<TestForm> second = CreateForm<TestForm>(nullptr, false);
    first->setWindowTitle("first window");
    first->CreateTaskButton();
    second->CreateTaskButton();
    QPointer<QToolButton> b1 = first->TaskButton(), b2 = second->TaskButton();
    ASSERT_TRUE(b1 && b2);
    EXPECT_EQ(b1->parentWidget(), main.tolTask());
    EXPECT_EQ(b1->toolTip(), "first window");
    EXPECT_EQ(b1->property("Tag").value<QObject *>(), first.data());
    EXPECT_FALSE(b1->isChecked());
    EXPECT_TRUE(b2->isChecked()) << "the newest window's button is down";

    first->setWindowTitle("renamed");
    EXPECT_EQ(b1->toolTip(), "renamed");
    first->Activate();
    EXPECT_TRUE(b1->isChecked());
    EXPECT_FALSE(b2->isChecked());

    first->CreateTaskButton(); // a second call reuses the button
    EXPECT_EQ(first->TaskButton(), b1.data());

    b2->click();
    EXPECT_TRUE(second->isVisibleTo(&main)) << "the button shows its window";
    EXPECT_TRUE(qobject_cast<QMdiSubWindow *>(second->parentWidget()));

    delete first.data();
    EXPECT_FALSE(b1) << "the button leaves the task bar with its window";
    delete second.data();
    EXPECT_FALSE(b2);
}

TEST(BaseWindowBinding, OwnerKindsAndRefusalWithoutConnection)
{
    TestMainWindow main;
    TestConnectionWindow db1("sales"), db2("stock");
    main.addConnection(&db1);
    main.addConnection(&db2);

    // a connection window as owner
    QPointer<TestForm> byConnection = CreateForm<TestForm>(&db2);
    ASSERT_TRUE(byConnection);
    EXPECT_EQ(byConnection->OwnerForm(), &db2);
    // the main window as owner: the selected connection
    main.selector()->setCurrentIndex(0);
    QPointer<TestForm> byMain = CreateForm<TestForm>(&main);
    ASSERT_TRUE(byMain);
    EXPECT_EQ(byMain->OwnerForm(), &db1);
    // another window as owner: its binding
    QPointer<TestForm> byForm = CreateForm<TestForm>(byConnection.data());
    ASSERT_TRUE(byForm);
    EXPECT_EQ(byForm->OwnerForm(), &db2);

    // nothing selected: a window that needs a connection is refused with a message
    main.selector()->setCurrentIndex(-1);
    {
        Questions asked(IDOK);
        QPointer<TestForm> refused = CreateForm<TestForm>(&main);
        EXPECT_FALSE(refused);
        ASSERT_EQ(asked.texts.size(), 1);
        EXPECT_TRUE(asked.texts.first().contains(QStringLiteral("接続されていません")));
        EXPECT_EQ(asked.flags.first(), MB_OK | MB_ICONWARNING);
    }
    // ... and one that does not need one stays unbound; its activation leaves the selector
    {
        Questions asked(IDOK);
        QPointer<TestForm> unbound = CreateForm<TestForm>(&main, false);
        ASSERT_TRUE(unbound);
        EXPECT_EQ(unbound->OwnerForm(), nullptr);
        main.selector()->setCurrentIndex(1);
        unbound->Activate();
        EXPECT_EQ(main.selector()->currentIndex(), 1);
        EXPECT_TRUE(asked.texts.isEmpty());
        delete unbound.data();
    }

    // activation selects the window's connection without the selector's notification
    const int changes = main.m_selectorChanges;
    byMain->Activate();
    EXPECT_EQ(main.selector()->currentIndex(), 0);
    byConnection->Activate();
    EXPECT_EQ(main.selector()->currentIndex(), 1);
    EXPECT_EQ(main.m_selectorChanges, changes);
    // a key the selector does not hold leaves no selection
    TestConnectionWindow elsewhere("archive");
    byMain->setOwnerForm(&elsewhere);
    byMain->Activate();
    EXPECT_EQ(main.selector()->currentIndex(), -1);

    // windows owned by a connection window go with it
    delete byMain.data();
    {
        auto *owner = new TestConnectionWindow("sales");
        QPointer<TestForm> owned = CreateForm<TestForm>(owner);
        ASSERT_TRUE(owned);
        delete owner;
        EXPECT_EQ(owned->OwnerForm(), nullptr);
        flushDeletes();
        EXPECT_FALSE(owned);
    }
    delete byForm.data();
    delete byConnection.data();
}

TEST(BaseWindowBinding, FollowsRebindingOfItsQueries)
{
    testsupport::TestDatabase db;
    TestConnectionWindow a(db.name(), true), b(db.name(), true);
    ASSERT_NE(a.dbsMain()->backendPid(), b.dbsMain()->backendPid());

    // a window class makes its data sets in its constructor, after the base binding
    class QueryForm : public TestForm
    {
    public:
        explicit QueryForm(QObject *owner)
            : TestForm(owner)
        {
            auto *frame = new QWidget(this);
            set = new pg::DataSet(nullptr, frame);
            InitForm();
        }
        pg::DataSet *set;
    };
    QPointer<QueryForm> form = CreateForm<QueryForm>(&a);
    ASSERT_TRUE(form);
    pg::DataSet *set = form->set;
    EXPECT_EQ(set->connection(), a.dbsMain());
    set->setSql("SELECT pg_backend_pid()");
    set->open();
    EXPECT_EQ(set->text(0).toInt(), a.dbsMain()->backendPid());

    form->setOwnerForm(&a); // the same binding changes nothing
    EXPECT_TRUE(set->isActive());

    form->setOwnerForm(&b);
    EXPECT_FALSE(set->isActive()) << "re-binding closes the queries";
    EXPECT_EQ(set->connection(), b.dbsMain());
    set->open();
    EXPECT_EQ(set->text(0).toInt(), b.dbsMain()->backendPid());

    // the connection window going lets go of its session
    {
        auto *c = new TestConnectionWindow(db.name(), true);
        form->setOwnerForm(c);
        set->open();
        delete c;
        EXPECT_EQ(set->connection(), nullptr);
        EXPECT_FALSE(set->isActive());
        EXPECT_EQ(form->OwnerForm(), nullptr);
    }
    delete form.data();
}

TEST(BaseWindowFlags, IsNewObjTypeAndMessages)
{
    QPointer<TestForm> form = CreateForm<TestForm>(nullptr, false);
    form->setIsNew(false);
    form->setIsNew(false);
    form->setIsNew(true);
    EXPECT_EQ(form->changedIsNew, 3) << "every assignment, also of the same value";

    TestMainWindow main;
    form->CreateTaskButton();
    form->setObjType(45);
    EXPECT_EQ(form->ObjType(), 45);
    EXPECT_FALSE(form->windowIcon().isNull());
    form->TaskButton()->setIcon(QIcon());
    form->setObjType(45); // the same code sets nothing
    EXPECT_TRUE(form->TaskButton()->icon().isNull());
    form->setObjType(47);
    EXPECT_FALSE(form->TaskButton()->icon().isNull());

    SendAppMessage(form, QvMsgConnectionListChanged);
    SendAppMessage(form, QvMsgReload);
    ASSERT_EQ(form->dbChanges.size(), 1);
    EXPECT_EQ(form->dbChanges.first(), form.data());
    ASSERT_EQ(form->reloads.size(), 1);
    EXPECT_EQ(form->reloads.first(), form.data());
    BroadcastAppMessage(QvMsgConnectionListChanged);
    EXPECT_EQ(form->dbChanges.size(), 2) << "the broadcast reaches top-level windows";
    main.ShowChildWindow(form);
    BroadcastAppMessage(QvMsgConnectionListChanged);
    EXPECT_EQ(form->dbChanges.size(), 3) << "... and multi-document children";
    delete form.data();
}

// Ctrl+PgUp / Ctrl+PgDn with 0, 1 and 3 pages: pages turn (without wrapping) and the focused
// control never sees the keys; without key preview the keys reach the control.
TEST(BaseWindowKeys, PageSwitchOnZeroOneAndThreePages)
{
    class KeyEdit : public QLineEdit
    {
    public:
        using QLineEdit::QLineEdit;
        int pageKeys = 0;

    protected:
        void keyPressEvent(QKeyEvent *e) override
        {
            if (e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown)
                ++pageKeys;
            QLineEdit::keyPressEvent(e);
        }
    };
    // the page control is found by InitForm, which a window class calls once it has built its
    // controls
    class PagedForm : public TestForm
    {
    public:
        explicit PagedForm(int pages)
            : TestForm(nullptr, false)
        {
            auto *layout = new QVBoxLayout(this);
            edit = new KeyEdit(this);
            layout->addWidget(edit);
            if (pages > 0) {
                tabs = new QTabWidget(this);
                for (int i = 0; i < pages; ++i)
                    tabs->addTab(new QWidget, QString::number(i));
                layout->addWidget(tabs);
            }
            InitForm();
            setKeyPreview(true);
        }
        KeyEdit *edit = nullptr;
        QTabWidget *tabs = nullptr;
    };
    for (const int pages : { 0, 1, 3 }) {
        SCOPED_TRACE(pages);
        QPointer<PagedForm> form = CreateForm<PagedForm>(pages);
        ASSERT_TRUE(form);
        KeyEdit *edit = form->edit;
        QTabWidget *tabs = form->tabs;
        EXPECT_EQ(form->PageControl(), tabs);
        ASSERT_TRUE(showActive(*form));
        edit->setFocus();

        const struct
        {
            Qt::Key key;
            Qt::KeyboardModifiers mods;
            int page; // expected afterwards, with 3 pages
        } steps[] = {
            { Qt::Key_PageDown, Qt::ControlModifier, 1 },
            { Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier, 2 },
            { Qt::Key_PageDown, Qt::ControlModifier, 2 },
            { Qt::Key_PageUp, Qt::ControlModifier | Qt::AltModifier, 1 },
            { Qt::Key_PageUp, Qt::ControlModifier, 0 },
            { Qt::Key_PageUp, Qt::ControlModifier, 0 },
        };
        for (const auto &s : steps) {
            QWidget *focused = QApplication::focusWidget() ? QApplication::focusWidget() : edit;
            QTest::keyClick(focused, s.key, s.mods);
            if (pages == 3) {
                EXPECT_EQ(tabs->currentIndex(), s.page);
            } else if (pages == 1) {
                EXPECT_EQ(tabs->currentIndex(), 0);
            }
        }
        EXPECT_EQ(edit->pageKeys, 0) << "the keys never reach the focused control";

        form->setKeyPreview(false);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_PageDown, Qt::ControlModifier);
        EXPECT_EQ(edit->pageKeys, 1) << "without key preview the control has the key";
        QTest::keyClick(edit, Qt::Key_PageDown);
        EXPECT_EQ(edit->pageKeys, 2);
        delete form.data();
    }
}

TEST(BaseWindowSchema, PrefixTable)
{
    const int oldOwner = ScriptOption.Owner;
    const bool oldLower = AppOption.UseLowerName;
    AppOption.UseLowerName = true; // every name in double quotes
    QPointer<TestForm> form = CreateForm<TestForm>(nullptr, false);
    const struct
    {
        TSourceMode mode;
        int owner;
        QString schema;
        QString base;
        QString prefix;
    } cases[] = {
        { smShow, 0, "sales", "sales", "\"sales\"." },
        { smShow, 1, "sales", "sales", "\"sales\"." },
        { smShow, 2, "sales", "other", "\"sales\"." },
        { smShow, 0, "   ", "x", "" },
        { smShow, 0, "", "", "" },
        { smText, 0, "sales", "sales", "\"sales\"." },
        { smText, 1, "sales", "sales", "" },
        { smText, 1, " sales ", "sales", "" },
        { smText, 1, " sales ", "stock", "\" sales \"." },
        { smText, 1, "Sales", "sales", "\"Sales\"." },
        { smText, 1, "  ", "sales", "" },
        { smText, 2, "sales", "other", "" },
        { smText, 0, "  ", "  ", "" },
    };
    for (const auto &c : cases) {
        form->SourceMode = c.mode;
        ScriptOption.Owner = c.owner;
        EXPECT_EQ(form->GetRefSchemaPrefix(c.schema, c.base), c.prefix)
            << int(c.mode) << " " << c.owner << " [" << c.schema.toStdString() << "]";
    }
    form->SourceMode = smText;
    ScriptOption.Owner = 1;
    EXPECT_EQ(form->GetSchemaPrefix("sales"), "");
    form->SourceMode = smShow;
    EXPECT_EQ(form->GetSchemaPrefix("sales"), "\"sales\".");
    ScriptOption.Owner = oldOwner;
    AppOption.UseLowerName = oldLower;
    delete form.data();
}

TEST(BaseWindowFactory, SilentAbortIsSilentOtherFailuresAreShown)
{
    QStringList shown;
    ScopedDialogResponder responder([&shown](DialogRequest &r) {
        shown << r.text;
        return IDOK;
    });
    EXPECT_EQ(ShowWindow<AbortingForm>(nullptr), nullptr);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(ShowWindow<FailingForm>(nullptr), nullptr);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.first().contains("relation \"x\" does not exist"));

    shown.clear();
    EXPECT_TRUE(RunGuarded([] { throw SilentAbort(); }) == false);
    EXPECT_TRUE(shown.isEmpty());
    ShowExceptionMessage(std::make_exception_ptr(std::runtime_error("disk full")));
    EXPECT_EQ(shown, QStringList { "disk full" });
}

} // namespace formstest
