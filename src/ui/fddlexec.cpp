#include "fddlexec.h"

#include "fddlpreview.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/transaction.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QList>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

namespace {

const QString RunnerKey = QStringLiteral("\\Software\\Quorlane\\QVR22\\GUI\\LOG");

// The server's warnings for a GRANT that granted, or a REVOKE that revoked, less than it named.
constexpr char PrivilegeNotGranted[] = "01007";
constexpr char PrivilegeNotRevoked[] = "01006";

QList<QPointer<TfrmDDLExec>> &runnerWindows()
{
    static QList<QPointer<TfrmDDLExec>> windows;
    return windows;
}

SourceBackupWriter &backupWriter()
{
    static SourceBackupWriter writer;
    return writer;
}

} // namespace

TfrmDDLExec::TfrmDDLExec(ConnectionWindow *AOwner, const QStringList &ASQL)
    : QWidget(mainWindowServices() ? mainWindowServices()->mainWidget() : nullptr, Qt::Window)
    , FOwnerWidget(AOwner->connectionWidget())
    , FOwner(AOwner)
    , m_run(ASQL)
{
    setObjectName(QStringLiteral("frmDDLExec"));
    // The windows behind the runner take no input while it exists.
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QStringLiteral("スクリプト実行"));
    if (MainWindowServices *main = mainWindowServices())
        setWindowIcon(main->imgMain(10));
    setupUi();
    runnerWindows() << this;
}

TfrmDDLExec::~TfrmDDLExec()
{
    runnerWindows().removeAll(this);
    runnerWindows().removeAll(nullptr);
}

void TfrmDDLExec::setupUi()
{
    txtLog = new QPlainTextEdit(this);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->setReadOnly(true);
    txtLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtLog->setFont(QFont(QStringLiteral("monospace")));
    chkErrorStop = new QCheckBox(QStringLiteral("エラー発生時に処理を中断する"), this);
    chkErrorStop->setObjectName(QStringLiteral("chkErrorStop"));
    chkErrorStop->setChecked(true);
    btnOK = new QPushButton(QStringLiteral("継続(&U)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setEnabled(false);
    btnCancel = new QPushButton(QStringLiteral("中止(&A)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(chkErrorStop);
    bottom->addStretch(1);
    bottom->addWidget(btnOK);
    bottom->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtLog, 1);
    layout->addLayout(bottom);
    connect(btnOK, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnOKClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QWidget::close);
    resize(592, 366);
}

TfrmDDLExec *TfrmDDLExec::ShowWindow(ConnectionWindow *AOwner, const QStringList &ASQL)
{
    auto *window = new TfrmDDLExec(AOwner, ASQL);
    window->LoadWindowState();
    window->show();
    window->RunScript();
    return window;
}

void TfrmDDLExec::WaitProc()
{
    for (;;) {
        runnerWindows().removeAll(nullptr);
        if (runnerWindows().isEmpty())
            return;
        QEventLoop loop;
        connect(runnerWindows().first(), &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

QString TfrmDDLExec::LogText() const
{
    return txtLog->toPlainText();
}

void TfrmDDLExec::AddLog(const QString &Text)
{
    txtLog->appendPlainText(Text);
    txtLog->moveCursor(QTextCursor::End);
    txtLog->moveCursor(QTextCursor::StartOfLine);
    QCoreApplication::processEvents();
}

void TfrmDDLExec::RunScript()
{
    btnOK->setEnabled(false);
    m_state = State::Running;
    m_inLoop = true;
    while (m_run.hasPending()) {
        if (FEndProc)
            break;
        txtLog->appendPlainText(m_run.pending().first());
        txtLog->moveCursor(QTextCursor::End);
        const DdlScriptRun::Outcome outcome = m_run.runNext([this](const QString &statement) {
            if (!FOwnerWidget)
                throw pg::Error(QStringLiteral("08003"),
                                QStringLiteral("接続が閉じられています。"));
            executeChecked(statement);
        });
        if (outcome.ok) {
            AddLog(QStringLiteral("《正常終了》"));
            AddLog(QString());
            continue;
        }
        AddLog(QStringLiteral("《エラー》"));
        txtLog->appendPlainText(outcome.message);
        AddLog(QString());
        if (chkErrorStop->isChecked() && !FEndProc) {
            m_state = State::Stopped;
            btnOK->setEnabled(true);
            btnOK->setFocus();
            break;
        }
    }
    m_inLoop = false;
    if (m_state == State::Running)
        m_state = FEndProc && m_run.hasPending() ? State::Abandoned : State::Finished;
    if (m_state == State::Finished && FEndProc) {
        // The user agreed to abandon while the last statement ran: nothing is left to run, but
        // the run was given up all the same.
        m_state = State::Abandoned;
    }
    Q_EMIT runPaused();
    if (m_closePending)
        close();
}

void TfrmDDLExec::executeChecked(const QString &statement)
{
    // A GRANT or REVOKE that the server could not carry out (the role lacks the grant option)
    // still succeeds, with only a warning: such a statement is a failure of the run.
    QList<pg::Notice> refused;
    pg::Connection *connection = FOwner->dbsMain();
    const QMetaObject::Connection watch
        = connect(connection, &pg::Connection::notice, this, [&refused](const pg::Notice &n) {
              if (n.sqlState == QLatin1String(PrivilegeNotGranted)
                  || n.sqlState == QLatin1String(PrivilegeNotRevoked))
                  refused << n;
          });
    const auto unwatch = qScopeGuard([&watch] { QObject::disconnect(watch); });
    FOwner->ExecuteSQL(statement);
    if (!refused.isEmpty()) {
        pg::Error error(refused.first().sqlState, refused.first().message, refused.first().detail,
                        refused.first().hint);
        error.setSeverity(refused.first().severity);
        throw error;
    }
}

bool TfrmDDLExec::RunFollowUp(const QString &shown, const std::function<void()> &run)
{
    txtLog->appendPlainText(shown);
    try {
        run();
    } catch (...) {
        AddLog(QStringLiteral("《エラー》"));
        txtLog->appendPlainText(ExceptionText(std::current_exception()));
        AddLog(QString());
        m_run.fail();
        return false;
    }
    AddLog(QStringLiteral("《正常終了》"));
    AddLog(QString());
    return true;
}

void TfrmDDLExec::btnOKClick()
{
    if (m_state != State::Stopped)
        return;
    RunScript();
}

void TfrmDDLExec::EndRun(const QString &commitError)
{
    if (!commitError.isEmpty()) {
        txtLog->appendPlainText(QStringLiteral("COMMIT"));
        AddLog(QStringLiteral("《エラー》"));
        txtLog->appendPlainText(commitError);
        AddLog(QString());
        m_run.fail();
    }
    AddLog(QStringLiteral("スクリプト実行が完了しました。"));
    AddLog(QStringLiteral("エラー: %1 件").arg(m_run.errorCount()));
    btnCancel->setText(QStringLiteral("終了(&X)"));
    btnCancel->setFocus();
    FEndProc = true;
    if (m_run.errorCount() == 0 && AppOption.CloseDDL)
        close();
}

void TfrmDDLExec::EndRunRolledBack()
{
    txtLog->appendPlainText(QStringLiteral("ROLLBACK"));
    AddLog(QStringLiteral("エラーがあったため、すべての変更を取り消しました。"));
    AddLog(QString());
    EndRun();
}

void TfrmDDLExec::closeEvent(QCloseEvent *event)
{
    if (!FEndProc) {
        if (ShowMessageBox(QStringLiteral("処理を中断しますか？"),
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2)
            != IDYES) {
            event->ignore();
            return;
        }
        FEndProc = true;
        if (m_state == State::Stopped || (m_state == State::Finished && !m_inLoop)) {
            m_state = State::Abandoned;
            Q_EMIT runPaused();
        }
    }
    if (m_inLoop) {
        // The statement under way runs to its end; the loop closes the window after it.
        m_closePending = true;
        event->ignore();
        return;
    }
    SaveWindowState();
    event->accept();
    // Not deleteLater: a deferred delete posted outside every event loop would wait for the
    // outermost loop, while the compile waits in a nested one for the window to go.
    QTimer::singleShot(0, qApp, [window = QPointer<TfrmDDLExec>(this)] { delete window.data(); });
}

void TfrmDDLExec::LoadWindowState()
{
    LoadDialogState(this, RunnerKey);
}

void TfrmDDLExec::SaveWindowState()
{
    SaveDialogState(this, RunnerKey);
}

void setSourceBackupWriter(SourceBackupWriter writer)
{
    backupWriter() = std::move(writer);
}

namespace {

// The window's follow-ups on the runner's log; false at the first that fails.
bool runCompileFollowUps(ConnectionWindow *owner, TfrmDDLExec *runner, const TCompileRequest &req)
{
    for (const TCompileFollowUp &step : req.FollowUps) {
        if (!runner->RunFollowUp(step.Shown, [owner, &step] { step.Run(owner); }))
            return false;
    }
    return true;
}

// The backup of the new source and the window's own steps; false when one of them failed
// (shown).
bool runCompileAfterSuccess(ConnectionWindow *owner, const TCompileRequest &req)
{
    return RunGuarded([owner, &req] {
        if (backupWriter())
            backupWriter()(owner, req, true);
        if (req.AfterSuccess)
            req.AfterSuccess();
    });
}

// The paths without a runner window: the script and the follow-ups one statement after
// another, in one transaction (Direct) or each on its own (StatementByStatement).
bool runCompileWithoutRunner(ConnectionWindow *owner, const QStringList &script,
                             const TCompileRequest &req)
{
    const bool direct = req.Policy == TCompilePolicy::Direct;
    const bool ran = RunGuarded([owner, &script, &req, direct] {
        std::optional<pg::Transaction> tx;
        if (direct)
            tx.emplace(*owner->dbsMain());
        for (const QString &statement : DdlStatements(script))
            owner->ExecuteSQL(statement);
        for (const TCompileFollowUp &step : req.FollowUps)
            step.Run(owner);
        if (tx)
            tx->commit();
    });
    if (!ran)
        return false;
    if (direct)
        ShowMessageBox(QStringLiteral("コンパイルは正常に終了しました。"), MB_ICONINFORMATION);
    return runCompileAfterSuccess(owner, req);
}

} // namespace

bool RunCompileSequence(ConnectionWindow *owner, QStringList script, const TCompileRequest &req)
{
    if (!TfrmDDLPreview::ShowWindow(script, req.Schema, req.ObjName))
        return false;
    if (!req.IsNew && backupWriter()
        && !RunGuarded([owner, &req] { backupWriter()(owner, req, false); }))
        return false;
    if (req.Policy == TCompilePolicy::Direct || req.Policy == TCompilePolicy::StatementByStatement)
        return runCompileWithoutRunner(owner, script, req);
    pg::Connection &connection = *owner->dbsMain();
    bool committed = false;
    int errors = 0;
    {
        std::optional<pg::Transaction> tx;
        if (req.Policy != TCompilePolicy::NoTransaction)
            tx.emplace(connection);
        QPointer<TfrmDDLExec> runner;
        {
            std::optional<pg::ContinueOnErrorScope> savepoints;
            if (tx)
                savepoints.emplace(connection);
            runner = TfrmDDLExec::ShowWindow(owner, script);
            while (runner && runner->state() != TfrmDDLExec::State::Finished
                   && runner->state() != TfrmDDLExec::State::Abandoned) {
                QEventLoop loop;
                QObject::connect(runner, &TfrmDDLExec::runPaused, &loop, &QEventLoop::quit);
                QObject::connect(runner, &QObject::destroyed, &loop, &QEventLoop::quit);
                loop.exec();
            }
        }
        const bool finished = runner && runner->state() == TfrmDDLExec::State::Finished;
        if (finished && !tx) {
            // Without a transaction what ran is done; the follow-ups go on from there.
            committed = runCompileFollowUps(owner, runner, req);
            runner->EndRun();
            errors = runner->ErrorCount();
        } else if (finished
                   && ((req.AllOrNothing && runner->ErrorCount() > 0)
                       || !runCompileFollowUps(owner, runner, req))) {
            tx->rollback();
            runner->EndRunRolledBack();
            errors = runner->ErrorCount();
        } else if (finished && req.Policy == TCompilePolicy::WaitBeforeCommit) {
            runner->EndRun();
            errors = runner->ErrorCount();
            TfrmDDLExec::WaitProc();
            committed = RunGuarded([&tx] { tx->commit(); });
        } else if (finished) {
            QString commitError;
            try {
                tx->commit();
                committed = true;
            } catch (const pg::Error &e) {
                commitError = e.text();
            }
            runner->EndRun(commitError);
            errors = runner->ErrorCount();
        }
        // Otherwise the scope rolls the transaction (or the savepoint) back.
    }
    if (committed && req.Policy == TCompilePolicy::WaitAfterCommit)
        TfrmDDLExec::WaitProc();
    if (committed)
        committed = runCompileAfterSuccess(owner, req);
    TfrmDDLExec::WaitProc();
    return committed && errors == 0;
}
