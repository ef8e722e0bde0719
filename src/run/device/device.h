#pragma once

#include "palmdatabases.h"
#include "screenitems.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QRect>
#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

// Event numbers as the handheld's event manager numbers them; programs
// compare pevent's first result with the globals of the same names.
namespace DeviceEventType {
constexpr int nilEvent = 0;
constexpr int penDown = 1;
constexpr int penUp = 2;
constexpr int penMove = 3;
constexpr int keyDown = 4;
constexpr int ctlSelect = 9;
constexpr int ctlRepeat = 10;
constexpr int lstSelect = 12;
constexpr int menuSelect = 21;
constexpr int appStop = 22;
constexpr int ioPending = 0x6000;
} // namespace DeviceEventType

// Virtual character codes of the handheld's buttons, delivered as keyDown.
namespace DeviceKey {
constexpr int backspace = 0x08;
constexpr int linefeed = 0x0A;
constexpr int pageUp = 0x0B;
constexpr int pageDown = 0x0C;
constexpr int menu = 0x0105;
constexpr int launch = 0x0108;
constexpr int find = 0x010A;
constexpr int calc = 0x010B;
constexpr int hard1 = 0x0204;
constexpr int hard2 = 0x0205;
constexpr int hard3 = 0x0206;
constexpr int hard4 = 0x0207;
} // namespace DeviceKey

struct DeviceEvent
{
    int type = DeviceEventType::nilEvent;
    QList<int> values;
};

// A modal dialog the program opened, for the user (or a script) to answer.
struct DialogRequest
{
    enum class Kind { Alert, Confirm, Input, Date, Time };
    Kind kind = Kind::Alert;
    QString text;            // message, question or title
    QString initial;         // pinput's starting text
    int a = 0, b = 0, c = 0; // date y, m, d or time h, m
};

Q_DECLARE_METATYPE(DialogRequest)

struct DialogAnswer
{
    bool accepted = false;
    QString text;
    int a = 0, b = 0, c = 0;
};

// The simulated handheld: a 160 x 160 8-bit screen, the cursor, the GUI
// controls placed on it, the event queue, dialogs, sound and the record
// databases. The program's thread calls the drawing and waiting functions;
// any other thread may feed input, read frames and stop it. Every public
// function is thread-safe.
class Device
{
    using Clock = std::chrono::steady_clock;

public:
    static constexpr int Width = 160;
    static constexpr int Height = 160;
    static constexpr int TitleHeight = 15;

    enum class ControlKind { Label, Button, PushButton, RepeatButton, CheckBox, Field, List };

    explicit Device(const QString &databaseFolder = QString());
    Device(const Device &) = delete;
    Device &operator=(const Device &) = delete;

    // --- screen and drawing (colour numbers are palette indices) ---
    QImage screen() const; // an indexed copy of the screen
    // A copy of the screen when it changed since the last call.
    std::optional<QImage> takeFrameIfChanged();
    void clear(std::optional<int> color);
    void setPixel(int x, int y, std::optional<int> color);
    int pixel(int x, int y) const;
    void line(int x1, int y1, int x2, int y2, std::optional<int> color);
    void lineTo(int x, int y, std::optional<int> color);
    void rect(int x, int y, int dx, int dy, std::optional<int> color, bool filled);
    void ellipse(int cx, int cy, int rx, int ry, std::optional<int> color, bool filled);
    void setColors(int foreground, std::optional<int> background);
    int foreground() const;
    int background() const;
    void moveTo(int x, int y);
    QPoint cursor() const;
    // Selects a font; returns its average character width and its height.
    QSize setFont(int font);
    void setHeading(double degrees);
    void turn(double degrees);
    void walk(double distance);
    // Draws text at the cursor; '\n' starts a new line, '\t' a tab stop.
    void drawText(const QByteArray &latin1);
    void newRow(); // pnl
    void tab(int count);
    void setTitle(const QString &title);

    // --- GUI controls; each returns its id, or 0 when it does not fit ---
    int addControl(ControlKind kind, const QString &text, int group = 0);
    int addField(int lines, int columns, int maxChars, const QString &text, bool editable,
                 bool underlined);
    int addList(int lines, int columns, const QStringList &items);
    bool hasControl(int id) const;
    std::optional<QString> controlText(int id) const;
    bool setControlText(int id, const QString &text);
    std::optional<int> controlState(int id) const;
    bool setControlState(int id, int state);
    bool setFieldAttributes(int id, bool editable, bool underlined);
    bool setFocus(int id);
    int focusedField() const;
    void destroyControls();
    // Menu items as the program gave them ("X:Text" keeps its shortcut).
    void setMenu(const QStringList &items);
    QStringList menuItems() const;

    // --- input, from any thread ---
    void penDown(int x, int y);
    void penMove(int x, int y);
    void penUp(int x, int y);
    void tap(int x, int y);
    // A character or virtual key; goes to the focused field when it takes it.
    void key(int code);
    // Chooses menu item `number` (the first is 1).
    void chooseMenu(int number);
    // The handheld's own form over the program's screen: a dialog or the
    // open menu. The program waits while one is open.
    bool formOpen() const;
    // The answer the pen or a key gave the dialog on the screen, while the
    // program still waits for it.
    std::optional<DialogAnswer> formAnswer() const;
    void postEvent(const DeviceEvent &event);

    // --- waiting, on the program's thread ---
    // The next event. timeoutMs < 0 waits for ever; on time-out a nilEvent.
    // Returns nothing when the device was stopped or input has ended.
    std::optional<DeviceEvent> waitEvent(int timeoutMs);
    // Called on the program's thread when it waits for input and none is
    // queued; it feeds input and returns false when there will be no more.
    void setInputFeeder(std::function<bool(Device &)> feeder);
    // From the feeder: no more input is fed for `ms`; the program's
    // time-outs run meanwhile.
    void holdInput(int ms);
    bool inputEnded() const;
    // Answers dialogs on the program's thread (scripts). Without one, a
    // dialog waits for answerDialog() from another thread.
    void setDialogAnswerer(std::function<std::optional<DialogAnswer>(const DialogRequest &)> f);
    std::optional<DialogAnswer> askDialog(const DialogRequest &request);
    void answerDialog(const DialogAnswer &answer);
    // A debugger's pause where the program waits for input: after
    // interruptWait() (any thread), waitEvent() calls `interrupter` once on
    // the program's thread before it goes on waiting.
    void setWaitInterrupter(std::function<void()> interrupter);
    void interruptWait();
    // Sleeps, waking early on stop. Returns false when stopped.
    bool sleepMs(qint64 ms);
    void requestStop();
    bool stopped() const;

    // --- sound: the observer is told what would be played ---
    void setSoundObserver(std::function<void(const QString &note)> observer);
    void beep(int sound);
    void tone(int frequency, int milliseconds, int amplitude);

    // --- text output of print, besides the screen ---
    void setOutput(std::function<void(const QByteArray &)> sink);
    void output(const QByteArray &text) const;

    PalmDatabases &databases() { return m_databases; }

    // --- for a screen reader: the title and the printed text still on the
    // screen, in the order drawn, then the controls ---
    QList<ScreenItem> screenItems() const;

private:
    struct Control
    {
        int id = 0;
        ControlKind kind = ControlKind::Label;
        QRect rect;
        QString text;
        int group = 0;
        int state = 0;
        // fields
        int lines = 1;
        int maxChars = 0;
        bool editable = true;
        bool underlined = true;
        // lists
        QStringList items;
        int selected = -1;
        int top = 0;
    };

    // Queued by the Menu button or a tap on the title: the menu opens when
    // the program next waits for an event, as on the handheld.
    static constexpr int OpenMenuEvent = -1;

    // A place on a form the pen can tap, and what tapping it does.
    struct Hotspot
    {
        QRect rect;
        int action = 0;
    };
    // A dialog or the menu drawn over the program's screen.
    struct Form
    {
        bool open = false;
        bool menu = false;
        DialogRequest request;
        DialogAnswer value; // the answer as the user builds it
        QImage under;       // the program's screen beneath
        QList<Hotspot> hotspots;
        int pressed = -1; // index into hotspots while the pen holds it
        bool minutes = false;
        QList<ScreenItem> words; // what a screen reader reads of it
    };

    int fontLineHeight(int font) const;
    QStringList wrapLocked(const QString &text, int font, int width) const;
    void openFormLocked(const DialogRequest &request, bool menu);
    void closeFormLocked();
    void drawFormLocked();
    void drawDialogLocked();
    void drawDatePickerLocked(const QRect &inside);
    void drawTimePickerLocked(const QRect &inside);
    void drawMenuLocked();
    void drawFormButtonLocked(const QRect &rect, const QString &text, bool pressed);
    void addHotspotLocked(const QRect &rect, int action);
    // Notes a part of the form for a screen reader; returns it to add states.
    ScreenItem &addWordsLocked(ScreenItem::Kind kind, const QString &text, const QRect &rect);
    void arrowLocked(const QRect &area, Qt::ArrowType direction, int color);
    bool formPenDownLocked(int x, int y);
    bool formPenUpLocked(int x, int y);
    bool formKeyLocked(int code);
    void formActionLocked(int action);
    void answerFormLocked(bool accepted);
    void scrollListLocked(Control &list, int rows);
    Control *pagedListLocked();
    bool listScrolls(const Control &list) const { return list.items.size() > list.lines; }
    int textWidthLocked(const QString &text, int font) const;
    void drawTextLocked(int x, int y, const QString &text, int font, int color);
    void plot(int x, int y, int color);
    void lineLocked(int x1, int y1, int x2, int y2, int color);
    void fillLocked(const QRect &area, int color);
    void frameLocked(const QRect &area, int color);
    int placeControl(Control control);
    void drawControlLocked(const Control &control, bool pressed = false);
    Control *controlAt(int x, int y);
    Control *controlById(int id);
    const Control *controlById(int id) const;
    void enqueueLocked(const DeviceEvent &event);
    void touchLocked() { m_changed = true; }
    // Printed text is remembered where it was drawn until drawn over.
    void noteTextLocked(const QRect &area, const QString &text,
                        ScreenItem::Kind kind = ScreenItem::Kind::Text);
    void forgetTextLocked(const QRect &area);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    QImage m_screen;
    bool m_changed = true;
    int m_foreground = 255;
    int m_background = 0;
    int m_font = 0;
    QPoint m_cursor;
    double m_heading = 0;
    int m_rowBottom = 0;
    QString m_title;
    QList<Control> m_controls;
    QList<ScreenItem> m_texts;
    int m_nextControlId = 1;
    int m_focus = 0;
    int m_pressed = 0;        // control under a pen that went down on it
    bool m_penOnForm = false; // the pen went down on a form or the title
    int m_pagedList = 0;      // the list the page keys scroll
    Form m_form;
    QStringList m_menu;
    std::deque<DeviceEvent> m_events;
    std::function<bool(Device &)> m_feeder;
    bool m_inputEnded = false;
    Clock::time_point m_quietUntil;
    bool m_stop = false;
    std::function<void()> m_interrupter;
    bool m_interrupted = false;
    std::function<std::optional<DialogAnswer>(const DialogRequest &)> m_answerer;
    std::optional<DialogAnswer> m_answer;
    bool m_dialogOpen = false;
    std::function<void(const QString &)> m_soundObserver;
    std::function<void(const QByteArray &)> m_output;
    PalmDatabases m_databases;
};
