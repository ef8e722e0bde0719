// The keystroke queue types into the window that queued the keys, also in
// the moment after a dialog closed when no window is active yet.

#include "testenv.h"

#include "platform/keystrokequeue.h"

#include <QApplication>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

class tst_KeystrokeQueue : public QObject
{
    Q_OBJECT

private slots:
    void typesIntoItsWindow_data();
    void typesIntoItsWindow();
    void closedWindowGetsNothing();
};

void tst_KeystrokeQueue::typesIntoItsWindow_data()
{
    QTest::addColumn<bool>("active");     // the window has the keyboard when the keys are typed
    QTest::addColumn<bool>("otherFocus"); // another window of the program has it instead
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QString>("typed"); // in the window's second line edit
    QTest::newRow("active") << true << false << "ab{LEFT}c"
                            << "acb";
    QTest::newRow("no window active yet") << false << false << "ab{LEFT}c"
                                          << "acb";
    QTest::newRow("another window active") << false << true << "x+y"
                                           << "xY";
}

void tst_KeystrokeQueue::typesIntoItsWindow()
{
    QFETCH(bool, active);
    QFETCH(bool, otherFocus);
    QFETCH(QString, notation);
    QFETCH(QString, typed);

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *first = new QLineEdit(&window);
    auto *second = new QLineEdit(&window);
    layout->addWidget(first);
    layout->addWidget(second);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    second->setFocus();

    QWidget other;
    auto *otherEdit = new QLineEdit(&other);
    if (otherFocus) {
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        otherEdit->setFocus();
    } else if (!active) {
        // As right after a modal dialog closed on X11: nothing has the keyboard.
        QApplication::setActiveWindow(nullptr);
        QVERIFY(!QApplication::focusWidget());
    }

    KeystrokeQueue queue;
    QVERIFY(queue.send(notation, &window));
    QTRY_VERIFY(queue.isIdle());
    QCOMPARE(second->text(), typed);
    QVERIFY(first->text().isEmpty());
    QVERIFY(otherEdit->text().isEmpty());
}

void tst_KeystrokeQueue::closedWindowGetsNothing()
{
    auto window = std::make_unique<QLineEdit>();
    window->show();
    KeystrokeQueue queue;
    QVERIFY(queue.send(QStringLiteral("abc"), window.get()));
    window.reset();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Keystrokes dropped.*closed"));
    QTRY_VERIFY(queue.isIdle());
}

SCRIVLET_TEST_MAIN(tst_KeystrokeQueue)
#include "tst_keystrokequeue.moc"
