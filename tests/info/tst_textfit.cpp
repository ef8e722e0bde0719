// Every fixed window shows its texts whole with the desktop's own font, at
// the sizes desktops commonly use, and long messages stay on the screen.

#include "mainwindowfixture.h"
#include "testenv.h"

#include "platform/qthostservices.h"
#include "info/frmabout.h"
#include "info/frmdonations.h"
#include "info/frmfirstrun.h"
#include "info/frminstallationinstructions.h"
#include "info/pluainfo.h"
#include "info/pluawhere.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// The part of a control its content takes: a wrapped label's lines, or the
// whole box. The layouts let label boxes overlap where their text does not.
QRect usedRect(const QWidget *control)
{
    const auto *label = qobject_cast<const QLabel *>(control);
    if (!label || !label->wordWrap())
        return control->geometry();
    return QRect(label->pos(), QSize(label->width(), label->heightForWidth(label->width())));
}

// What does not fit in `form`, one line per fault; empty when all fits.
QStringList clippedTexts(QWidget *form)
{
    QStringList faults;
    const QString where = form->objectName() + u'.';
    const auto controls = form->findChildren<QWidget *>();
    for (QLabel *label : form->findChildren<QLabel *>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(form))
            continue;
        const QString name = where + label->objectName();
        const QFontMetrics metrics(label->font());
        if (label->wordWrap()) {
            if (label->heightForWidth(label->width()) > label->height())
                faults << name + QStringLiteral(": wrapped text taller than its box");
        } else if (metrics.horizontalAdvance(label->text()) > label->contentsRect().width()) {
            faults << name + QStringLiteral(": \"%1\" wider than its box").arg(label->text());
        }
        if (!form->rect().contains(label->geometry()))
            faults << name + QStringLiteral(": runs past the window's edge");
        // A label shrunk below the window's font has been squeezed in.
        if (label->font().pointSizeF() < form->font().pointSizeF())
            faults << name + QStringLiteral(": font shrunk to fit");
        for (const QWidget *other : controls) {
            if (other != label && other->parentWidget() == label->parentWidget() &&
                other->isVisibleTo(form) && usedRect(other).intersects(usedRect(label)))
                faults << name + QStringLiteral(": text runs into ") + other->objectName();
        }
    }
    for (QPushButton *button : form->findChildren<QPushButton *>()) {
        const QFontMetrics metrics(button->font());
        const QString text = QString(button->text()).remove(u'&');
        if (metrics.horizontalAdvance(text) + metrics.height() > button->width())
            faults << where + button->objectName() + QStringLiteral(": caption clipped");
    }
    // The window manager's title bar: bold caption, an icon and a close box.
    QFont titleFont = form->font();
    titleFont.setBold(true);
    const QFontMetrics title(titleFont);
    if (title.horizontalAdvance(form->windowTitle()) + 3 * title.height() > form->width())
        faults << where + QStringLiteral("title \"%1\" does not fit").arg(form->windowTitle());
    if (form->minimumSize() != form->maximumSize())
        faults << where + QStringLiteral("not fixed-size");
    return faults;
}

} // namespace

class tst_TextFit : public QObject
{
    Q_OBJECT

private slots:
    void windowsFitTheFont_data();
    void windowsFitTheFont();
    void longMessageStaysOnScreen();

private:
    QFont m_defaultFont = QApplication::font();
};

void tst_TextFit::windowsFitTheFont_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("points");
    for (const char *family : {"DejaVu Sans", "Noto Sans", "Liberation Sans"}) {
        for (int points : {8, 9, 10, 11}) {
            QTest::addRow("%s %d", family, points) << QString::fromLatin1(family) << points;
        }
    }
}

void tst_TextFit::windowsFitTheFont()
{
    QFETCH(QString, family);
    QFETCH(int, points);
    if (!QFontDatabase::families().contains(family))
        QFAIL(qPrintable(family +
                         QStringLiteral(" is not installed (scripts/setup.sh installs it)")));
    QApplication::setFont(QFont(family, points));
    auto restore = qScopeGuard([this] { QApplication::setFont(m_defaultFont); });

    MainWindowFixture f;
    QStringList faults = clippedTexts(f.window->centralWidget());
    const std::function<QWidget *()> makers[] = {
        [&] { return new PluaInfo(f.program); },
        [&] { return new PluaWhere(f.program); },
        [&] { return new frmFirstRun(f.program); },
        [&] { return new frmInstallationInstructions(f.program); },
        [&] { return new frmDonations(f.program); },
        [&] { return new frmAbout(f.program); },
    };
    for (const auto &make : makers) {
        std::unique_ptr<QWidget> form(make());
        faults += clippedTexts(form.get());
    }
    // The main window's own title has room to spare; its client area must
    // only keep the design's proportions.
    faults.removeIf([](const QString &fault) { return fault.startsWith(u"client.title"); });
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
}

void tst_TextFit::longMessageStaysOnScreen()
{
    QTemporaryDir dir;
    QtHostServices host(dir.path());
    QStringList lines;
    for (int i = 1; i <= 3000; ++i)
        lines << QStringLiteral("txt2doc: line %1: cannot convert this line").arg(i);
    QRect shown;
    QTimer answer;
    answer.setInterval(20);
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        shown = box->frameGeometry();
        box->button(QMessageBox::Ok)->click();
    });
    answer.start();
    host.messageBox(lines.join(u'\n'), HostServices::Buttons::Ok, HostServices::Icon::Error);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(!shown.isEmpty());
    QVERIFY2(screen.contains(shown), qPrintable(QStringLiteral("%1x%2 at %3,%4")
                                                    .arg(shown.width())
                                                    .arg(shown.height())
                                                    .arg(shown.x())
                                                    .arg(shown.y())));
}

SCRIVLET_TEST_MAIN(tst_TextFit)
#include "tst_textfit.moc"
