#include "uitest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "ui/fprint.h"
#include "ui/qvhhelp.h"

#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// Collects what the help would open, instead of the desktop's browser.
class TestOpener
{
public:
    TestOpener()
    {
        m_previous = setHelpOpener([this](const QUrl &url) {
            urls << url;
            return true;
        });
    }
    ~TestOpener() { setHelpOpener(m_previous); }
    QList<QUrl> urls;

private:
    THelpOpener m_previous;
};

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(Help, TheHelpCommandOpensTheMappedPage)
{
    TestOpener opener;
    EXPECT_TRUE(AppHelpContext(20400));
    ASSERT_EQ(opener.urls.size(), 1);
    const QUrl url = opener.urls[0];
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_EQ(QFileInfo(url.toLocalFile()).fileName(), "print.html");
    EXPECT_EQ(url.fragment(), "print");
    EXPECT_TRUE(fileText(url.toLocalFile()).contains(QStringLiteral("印刷範囲")));
}

TEST(Help, EveryMappedContextHasItsPageAndAnchor)
{
    const int contexts[] = { 100,   10100, 10200, 10400, 11300, 11400, 12100, 20100, 20200, 20300,
                             20400, 20800, 20900, 21200, 21300, 21400, 30200, 30300, 30400, 40100,
                             40200, 40300, 40400, 40500, 40600, 41400, 41500, 41600, 42100, 42200,
                             50100, 50200, 50300, 50400, 50500, 51100, 51600 };
    const QString folder = THTMLHelp::HelpFolder();
    ASSERT_FALSE(folder.isEmpty());
    for (const int context : contexts) {
        const QString page = THTMLHelp::PageOf(context);
        ASSERT_FALSE(page.isEmpty()) << context;
        const QString text = fileText(folder + page.section('#', 0, 0));
        EXPECT_TRUE(text.contains("<html lang=\"ja\">")) << context;
        const QString anchor = page.section('#', 1);
        if (!anchor.isEmpty())
            EXPECT_TRUE(text.contains("id=\"" + anchor + "\"")) << context;
    }
}

TEST(Help, ContentsAndFinderOpenTheIndex)
{
    TestOpener opener;
    EXPECT_TRUE(AppHelpCommand(HELP_CONTENTS));
    EXPECT_TRUE(AppHelpCommand(HELP_FINDER, 0));
    ASSERT_EQ(opener.urls.size(), 2);
    for (const QUrl &url : opener.urls)
        EXPECT_EQ(QFileInfo(url.toLocalFile()).fileName(), "index.html");
}

TEST(Help, AnUnmappedContextIsReportedAndOpensNothing)
{
    TestOpener opener;
    QStringList messages;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        messages << request.text;
        return IDOK;
    });
    EXPECT_FALSE(AppHelpContext(99999));
    EXPECT_TRUE(opener.urls.isEmpty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("99999"));
}

TEST(Help, APopupOpensTheMappedPageOrShowsThePopupText)
{
    TestOpener opener;
    EXPECT_FALSE(AppHelpCommand(HELP_SETPOPUP_POS, (200 << 16) | 100)); // opens nothing
    EXPECT_TRUE(opener.urls.isEmpty());
    EXPECT_TRUE(AppHelpCommand(HELP_CONTEXTPOPUP, 12100));
    ASSERT_EQ(opener.urls.size(), 1);
    EXPECT_EQ(opener.urls[0].fragment(), "preview");
    // An identifier that no page maps: its popup text, no page.
    EXPECT_EQ(THTMLHelp::PopupText(20401), QStringLiteral("印刷する部数です。"));
    EXPECT_TRUE(AppHelpCommand(HELP_CONTEXTPOPUP, 20401));
    EXPECT_EQ(opener.urls.size(), 1);
    EXPECT_TRUE(THTMLHelp::PopupText(1).isEmpty());
}

TEST(Help, F1AndTheHelpButtonOfThePrintDialogOpenItsPage)
{
    TestOpener opener;
    TfrmPrint dialog;
    ASSERT_TRUE(showActive(dialog));
    dialog.btnCancel->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QTest::mouseClick(dialog.btnHelp, Qt::LeftButton);
    ASSERT_EQ(opener.urls.size(), 2);
    for (const QUrl &url : opener.urls) {
        EXPECT_EQ(QFileInfo(url.toLocalFile()).fileName(), "print.html");
        EXPECT_EQ(url.fragment(), "print");
    }
    EXPECT_EQ(HelpContextOf(dialog.btnCancel), 20400);
}

} // namespace
