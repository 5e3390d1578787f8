#include "fsupport.h"

#include "fprint.h"
#include "qvhhelp.h"
#include "qvimages.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvfontmap.h"
#include "core/qvmsgbox.h"
#include "core/qvosversion.h"
#include "platform/os/osinfo.h"
#include "platform/pg/clientlibrary.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace fsupport {

// Every label is this wide (a full-width character counts two) before ": ".
constexpr int LabelWidth = 21;

QString rankText(os::UserRank rank)
{
    switch (rank) {
    case os::UserRank::Administrator:
        return QStringLiteral("Administrator");
    case os::UserRank::User:
        return QStringLiteral("Users");
    default:
        return QStringLiteral("Unknown");
    }
}

} // namespace fsupport

TqvSupportFacts CollectSupportFacts()
{
    TqvSupportFacts facts;
    const QString arch = QSysInfo::buildCpuArchitecture();
    facts.architecture = arch == QLatin1String("x86_64") ? QStringLiteral("x64")
        : arch == QLatin1String("i386")                  ? QStringLiteral("x86")
                                                         : arch;
    facts.programFile = os::programFile();
    facts.libpqPath = pg::clientLibraryPath();
    facts.libpqVersion = pg::clientLibraryVersionText(pg::clientLibraryVersion());
    facts.osName = GetWindowsName(QStringLiteral("Unknown"));
    facts.osVersion = GetOSVersionText(9, QStringLiteral("Unknown"));
    facts.userRank = fsupport::rankText(os::currentUserRank());
    facts.searchPath = os::searchPath();
    facts.pathSeparator = os::searchPathSeparator();
    return facts;
}

QStringList SupportLines(const TqvSupportFacts &facts)
{
    QStringList S;
    S << QStringLiteral("【Corvane情報】");
    S << QStringLiteral("  バージョン         : 22.0.1.0 (%1)").arg(facts.architecture);
    S << QStringLiteral("  プログラムのパス   : ") + facts.programFile;
    S << QString() << QStringLiteral("【PostgreSQL情報】");
    S << QStringLiteral("  libpqのパス        : ") + facts.libpqPath;
    S << QStringLiteral("  libpqのバージョン  : ") + facts.libpqVersion;
    S << QString() << QStringLiteral("【OS情報】");
    S << QStringLiteral("  OS                 : ") + facts.osName;
    S << QStringLiteral("  OSバージョン       : ") + facts.osVersion;
    S << QStringLiteral("  ユーザ権限         : ") + facts.userRank;
    // Split by position at every separator: a path ending in one ends in a line of blanks.
    const QStringList folders = facts.searchPath.split(facts.pathSeparator, Qt::KeepEmptyParts);
    const QString indent(fsupport::LabelWidth + 2, QLatin1Char(' '));
    for (qsizetype i = 0; i < folders.size(); ++i)
        S << (i == 0 ? QStringLiteral("  PATH環境変数       : ") : indent) + folders.at(i);
    return S;
}

TfrmSupport::TfrmSupport(QWidget *parent)
    : QDialog(parent)
{
    setupUi();
}

void TfrmSupport::setupUi()
{
    setObjectName(QStringLiteral("frmSupport"));
    setWindowTitle(QStringLiteral("サポート情報"));
    setFont(FormFont());
    resize(640, 480);

    actOutput = new QAction(MainImage(36), QStringLiteral("出力(&P)"), this);
    actOutput->setObjectName(QStringLiteral("actOutput"));
    actOutput->setToolTip(QStringLiteral("表の結果を外部に出力します。"));
    actOutput->setStatusTip(QStringLiteral("表の結果を外部に出力します。"));
    actCopy = new QAction(MainImage(21), QStringLiteral("クリップボード出力(&C)"), this);
    actCopy->setObjectName(QStringLiteral("actCopy"));
    actCopy->setToolTip(QStringLiteral("表の内容をクリップボードにコピーします。"));
    actCopy->setStatusTip(QStringLiteral("表の内容をクリップボードにコピーします。"));
    actPrint = new QAction(MainImage(98), QStringLiteral("印刷(&P)"), this);
    actPrint->setObjectName(QStringLiteral("actPrint"));
    actPrint->setToolTip(QStringLiteral("印刷"));
    actPrint->setStatusTip(QStringLiteral("オブジェクトの情報を印刷します。"));

    auto *toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("tolMain"));
    btnOutput = new QToolButton(toolbar);
    btnOutput->setObjectName(QStringLiteral("btnOutput"));
    btnOutput->setDefaultAction(actOutput);
    btnOutput->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnOutput->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(btnOutput);
    menu->setObjectName(QStringLiteral("popOutput"));
    menu->addAction(actCopy);
    menu->addAction(actPrint);
    btnOutput->setMenu(menu);
    toolbar->addWidget(btnOutput);

    txtSupport = new QPlainTextEdit(this);
    txtSupport->setObjectName(QStringLiteral("txtSupport"));
    txtSupport->setReadOnly(true);
    txtSupport->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtSupport->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtSupport->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtSupport->setFont(MapFont(QStringLiteral("ＭＳ ゴシック"), 10, true));

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(btnOK);
    bottom->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->addWidget(toolbar);
    layout->addWidget(txtSupport, 1);
    layout->addLayout(bottom);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(actCopy, &QAction::triggered, this,
            [this] { RunGuarded([this] { actCopyExecute(); }); });
    connect(actPrint, &QAction::triggered, this,
            [this] { RunGuarded([this] { actPrintExecute(); }); });
}

QString TfrmSupport::SupportText() const
{
    return txtSupport->toPlainText().split(QLatin1Char('\n')).join(QStringLiteral("\r\n"));
}

void TfrmSupport::actCopyExecute()
{
    QGuiApplication::clipboard()->setText(SupportText());
    ShowMessageBox(QStringLiteral("クリップボードに出力しました。"), MB_ICONINFORMATION);
}

void TfrmSupport::actPrintExecute()
{
    const QStringList lines = txtSupport->toPlainText().split(QLatin1Char('\n'));
    struct Refocus
    {
        TfrmSupport *window;
        ~Refocus()
        {
            window->activateWindow();
            window->txtSupport->setFocus();
        }
    } refocus { this };
    TfrmPrint::ShowWindow(QStringLiteral("サポート情報"), [&lines] {
        TfrmPrint::BeginPrint();
        try {
            TfrmPrint::PrintSource(QStringLiteral("サポート情報"), lines, true);
        } catch (...) {
            TfrmPrint::EndPrint();
            throw;
        }
        TfrmPrint::EndPrint();
    });
}

int TfrmSupport::ShowWindow()
{
    MainWindowServices *main = mainWindowServices();
    TfrmSupport window(main ? main->mainWidget() : nullptr);
    window.txtSupport->setPlainText(SupportLines(CollectSupportFacts()).join(QLatin1Char('\n')));
    return window.exec();
}

void ShowOSDescription()
{
    const QString text = QStringLiteral("%1\nカーネル %2\n%3")
                             .arg(GetWindowsName(QStringLiteral("Unknown")), os::kernelRelease(),
                                  GetOSVersionText(0, QString()));
    ShowMessageBox(text, MB_ICONINFORMATION);
}
