// The guard of long loops: input other than Esc reaches no window while a loop runs, Esc stops
// the loop whenever it was pressed, progress still paints and keep-alive timers wait.
#include "core/qvcancel.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>

namespace canceltest {

class PaintCountingLabel : public QLabel
{
public:
    using QLabel::QLabel;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        QLabel::paintEvent(event);
    }
};

// A window with an edit box, a button and a progress label, shown and active.
struct Window
{
    QWidget widget;
    QLineEdit *edit = new QLineEdit(&widget);
    QPushButton *button = new QPushButton("push", &widget);
    PaintCountingLabel *progress = new PaintCountingLabel("0", &widget);

    Window()
    {
        auto *layout = new QVBoxLayout(&widget);
        layout->addWidget(edit);
        layout->addWidget(button);
        layout->addWidget(progress);
        widget.show();
        QApplication::setActiveWindow(&widget);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&widget));
        edit->setFocus();
        QApplication::processEvents();
    }
};

void postKey(QWidget *to, Qt::Key key, const QString &text)
{
    QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

void postClick(QWidget *to)
{
    const QPointF local = QRectF(to->rect()).center();
    const QPointF global = to->mapToGlobal(local);
    for (const auto type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease }) {
        QCoreApplication::postEvent(
            to,
            new QMouseEvent(type, local, global, Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::NoModifier));
    }
}

// Runs up to `steps` steps of about a millisecond each; `atStep` may post input at chosen
// steps. Returns the step at which the loop saw Esc, or steps when it ran through.
int runLoop(Window &w, int steps, const std::function<void(int)> &atStep)
{
    for (int i = 0; i < steps; ++i) {
        if (EscapePressed())
            return i;
        atStep(i);
        w.progress->setText(QString::number(i));
        QThread::msleep(1);
    }
    return steps;
}

TEST(CancelGuard, InputWithoutAGuardReachesTheWindow)
{
    // The same events as below, without a guard: they do act, so the guard is what stops them.
    Window w;
    QSignalSpy clicked(w.button, &QPushButton::clicked);
    postKey(w.edit, Qt::Key_A, "a");
    postClick(w.button);
    QApplication::processEvents();
    EXPECT_EQ(w.edit->text(), "a");
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_FALSE(EscapePressed()) << "no loop runs";
}

TEST(CancelGuard, EscStopsTheLoopAndNothingElseGetsThrough)
{
    Window w;
    QSignalSpy clicked(w.button, &QPushButton::clicked);
    QTimer keepAlive;
    int keepAliveShots = 0;
    QObject::connect(&keepAlive, &QTimer::timeout, [&] { ++keepAliveShots; });
    keepAlive.start(2);
    RegisterKeepAliveTimer(&keepAlive);
    const int paintsBefore = w.progress->paints;

    int stoppedAt = -1;
    bool cancelled = false;
    {
        CancelGuard guard;
        EXPECT_FALSE(keepAlive.isActive());
        stoppedAt = runLoop(w, 5000, [&](int i) {
            if (i == 20)
                postKey(w.edit, Qt::Key_A, "a");
            else if (i == 60)
                postClick(w.button);
            else if (i == 100)
                postKey(w.edit, Qt::Key_Escape, QString());
        });
        cancelled = guard.cancelled();
        EXPECT_EQ(keepAliveShots, 0) << "keep-alive waits while the loop runs";
    }
    EXPECT_TRUE(cancelled);
    EXPECT_GE(stoppedAt, 100);
    EXPECT_LT(stoppedAt, 1000) << "the loop stops soon after Esc";
    EXPECT_GT(w.progress->paints, paintsBefore) << "progress paints during the loop";

    QApplication::processEvents();
    EXPECT_TRUE(w.edit->text().isEmpty()) << "the key press reached no widget";
    EXPECT_EQ(clicked.count(), 0) << "the click reached no widget";
    EXPECT_TRUE(keepAlive.isActive()) << "keep-alive runs again";
}

TEST(CancelGuard, EscBehindOtherKeysIsSeen)
{
    Window w;
    CancelGuard guard;
    // Keys queue up before the loop first looks: Esc is the last of them.
    postKey(w.edit, Qt::Key_B, "b");
    postKey(w.edit, Qt::Key_C, "c");
    QTest::keyClick(w.edit, Qt::Key_D);
    postKey(w.edit, Qt::Key_Escape, QString());
    guard.processEvents();
    EXPECT_TRUE(EscapePressed());
    EXPECT_TRUE(w.edit->text().isEmpty());
}

TEST(CancelGuard, ALoopThatRunsThroughIsNotCancelled)
{
    Window w;
    CancelGuard guard;
    EXPECT_EQ(runLoop(w, 50,
                      [&](int i) {
                          if (i == 10)
                              postKey(w.edit, Qt::Key_X, "x");
                      }),
              50);
    EXPECT_FALSE(guard.cancelled());
}

TEST(CancelGuard, NestedGuardsAllSeeEsc)
{
    Window w;
    CancelGuard outer;
    {
        CancelGuard inner;
        EXPECT_EQ(CancelGuard::current(), &inner);
        postKey(w.edit, Qt::Key_Escape, QString());
        inner.processEvents();
        EXPECT_TRUE(inner.cancelled());
    }
    EXPECT_EQ(CancelGuard::current(), &outer);
    EXPECT_TRUE(outer.cancelled());
    // Input is still held back by the outer guard.
    postKey(w.edit, Qt::Key_A, "a");
    outer.processEvents();
    EXPECT_TRUE(w.edit->text().isEmpty());
}

TEST(CancelGuard, ADialogTheLoopOpensGetsItsInput)
{
    Window w;
    CancelGuard guard;
    QDialog dialog(&w.widget);
    auto *answer = new QLineEdit(&dialog);
    dialog.setModal(true);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    answer->setFocus();
    QTest::keyClicks(answer, "yes");
    EXPECT_EQ(answer->text(), "yes");
    QTest::keyClicks(w.edit, "no");
    EXPECT_TRUE(w.edit->text().isEmpty());
    EXPECT_FALSE(guard.cancelled());
}

} // namespace canceltest
