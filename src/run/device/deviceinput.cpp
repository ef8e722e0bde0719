// The simulated handheld's input, event waiting, dialogs, stopping, sound and output.
#include "device.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

// A repeating button held down repeats at the handheld's rate.
constexpr int RepeatMs = 300;

} // namespace

// ---------------------------------------------------------------- input

void Device::enqueueLocked(const DeviceEvent &event)
{
    m_events.push_back(event);
    m_wake.notify_all();
}

void Device::postEvent(const DeviceEvent &event)
{
    const std::lock_guard lock(m_mutex);
    enqueueLocked(event);
}

void Device::penDown(int x, int y)
{
    const std::lock_guard lock(m_mutex);
    m_penOnForm = m_form.open;
    if (formPenDownLocked(x, y))
        return;
    // The title opens the menu, when there is one.
    if (!m_title.isEmpty() && !m_menu.isEmpty() &&
        QRect(0, 0, textWidthLocked(m_title, 1) + 6, TitleHeight - 2).contains(x, y)) {
        m_penOnForm = true;
        enqueueLocked({OpenMenuEvent, {}});
        return;
    }
    Control *c = controlAt(x, y);
    if (!c) {
        m_pressed = 0;
        enqueueLocked({DeviceEventType::penDown, {x, y}});
        return;
    }
    m_pressed = c->id;
    if (c->kind == ControlKind::List)
        m_pagedList = c->id;
    if (c->kind == ControlKind::Field) {
        const int old = m_focus;
        m_focus = c->id;
        if (Control *previous = controlById(old))
            drawControlLocked(*previous);
        drawControlLocked(*c);
    } else if (c->kind != ControlKind::List) {
        drawControlLocked(*c, true);
    }
    if (c->kind == ControlKind::RepeatButton)
        enqueueLocked({DeviceEventType::ctlRepeat, {c->id}});
    touchLocked();
}

void Device::penMove(int x, int y)
{
    const std::lock_guard lock(m_mutex);
    if (!m_pressed && !m_penOnForm)
        enqueueLocked({DeviceEventType::penMove, {x, y}});
}

void Device::penUp(int x, int y)
{
    const std::lock_guard lock(m_mutex);
    if (std::exchange(m_penOnForm, false)) {
        formPenUpLocked(x, y);
        return;
    }
    Control *c = controlById(m_pressed);
    m_pressed = 0;
    if (!c) {
        enqueueLocked({DeviceEventType::penUp, {x, y}});
        return;
    }
    const bool inside = c->rect.contains(x, y);
    switch (c->kind) {
    case ControlKind::Button:
        if (inside)
            enqueueLocked({DeviceEventType::ctlSelect, {c->id, 0}});
        break;
    case ControlKind::PushButton:
        if (inside) {
            // In a group the tapped button is selected; alone it toggles.
            c->state = c->group ? 1 : !c->state;
            if (c->group)
                for (Control &other : m_controls)
                    if (&other != c && other.kind == ControlKind::PushButton &&
                        other.group == c->group && other.state) {
                        other.state = 0;
                        drawControlLocked(other);
                    }
            enqueueLocked({DeviceEventType::ctlSelect, {c->id, c->state}});
        }
        break;
    case ControlKind::CheckBox:
        if (inside) {
            c->state = !c->state;
            enqueueLocked({DeviceEventType::ctlSelect, {c->id, c->state}});
        }
        break;
    case ControlKind::List:
        if (inside && listScrolls(*c) && x >= c->rect.right() - 8) {
            // The scroll arrows at the right: the upper half pages up.
            const int page = std::max(c->lines - 1, 1);
            scrollListLocked(*c, y < c->rect.center().y() ? -page : page);
        } else if (inside) {
            const int row = c->top + (y - c->rect.top() - 1) / fontLineHeight(0);
            if (row >= 0 && row < c->items.size() && row < c->top + c->lines) {
                c->selected = row;
                enqueueLocked({DeviceEventType::lstSelect, {c->id, row}});
            }
        }
        break;
    default:
        break;
    }
    drawControlLocked(*c);
    touchLocked();
}

void Device::tap(int x, int y)
{
    penDown(x, y);
    penUp(x, y);
}

void Device::key(int code)
{
    const std::lock_guard lock(m_mutex);
    if (code == DeviceKey::launch) {
        // Home starts another application, which ends this program when it
        // next waits, dialogs and menu included.
        m_inputEnded = true;
        m_wake.notify_all();
        return;
    }
    if (formKeyLocked(code))
        return;
    if (code == DeviceKey::menu && !m_menu.isEmpty()) {
        enqueueLocked({OpenMenuEvent, {}});
        return;
    }
    if (code == DeviceKey::pageUp || code == DeviceKey::pageDown) {
        if (Control *list = pagedListLocked()) {
            const int page = std::max(list->lines - 1, 1);
            scrollListLocked(*list, code == DeviceKey::pageUp ? -page : page);
            return;
        }
    }
    Control *field = controlById(m_focus);
    const bool printable = code >= 0x20 && code < 0x100 && code != 0x7F;
    if (field && field->editable &&
        (printable || code == DeviceKey::backspace ||
         (code == DeviceKey::linefeed && field->lines > 1))) {
        if (code == DeviceKey::backspace)
            field->text.chop(1);
        else if (field->text.size() < field->maxChars)
            field->text += QChar(code);
        drawControlLocked(*field);
        touchLocked();
        return;
    }
    enqueueLocked({DeviceEventType::keyDown, {code}});
}

void Device::chooseMenu(int number)
{
    const std::lock_guard lock(m_mutex);
    if (m_form.menu)
        closeFormLocked();
    enqueueLocked({DeviceEventType::menuSelect, {number}});
}

// ---------------------------------------------------------------- waiting

void Device::setInputFeeder(std::function<bool(Device &)> feeder)
{
    const std::lock_guard lock(m_mutex);
    m_feeder = std::move(feeder);
}

void Device::holdInput(int ms)
{
    const std::lock_guard lock(m_mutex);
    m_quietUntil = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
}

bool Device::inputEnded() const
{
    const std::lock_guard lock(m_mutex);
    return m_inputEnded;
}

std::optional<DeviceEvent> Device::waitEvent(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (m_stop)
            return std::nullopt;
        if (m_interrupted && m_interrupter) {
            m_interrupted = false;
            const std::function<void()> interrupter = m_interrupter;
            lock.unlock();
            interrupter();
            lock.lock();
            continue;
        }
        // While the menu is open the program waits, whatever its time-out.
        const bool menuOpen = m_form.open && m_form.menu;
        if (!m_events.empty() && !menuOpen && !m_inputEnded) {
            DeviceEvent event = m_events.front();
            m_events.pop_front();
            if (event.type == OpenMenuEvent) {
                if (!m_menu.isEmpty())
                    openFormLocked({}, true);
                continue;
            }
            return event;
        }
        if (m_feeder && !m_inputEnded && Clock::now() >= m_quietUntil) {
            const std::function<bool(Device &)> feeder = m_feeder;
            lock.unlock();
            const bool more = feeder(*this);
            lock.lock();
            if (!more)
                m_inputEnded = true;
            continue;
        }
        if (m_inputEnded) {
            closeFormLocked(); // the menu goes with the program
            return std::nullopt;
        }
        const Control *held = controlById(m_pressed);
        const bool repeating = held && held->kind == ControlKind::RepeatButton;
        auto until = Clock::time_point::max();
        if (timeoutMs >= 0 && !menuOpen)
            until = deadline;
        if (m_feeder && !m_inputEnded)
            until = std::min(until, m_quietUntil);
        if (repeating)
            until = std::min(until, Clock::now() + std::chrono::milliseconds(RepeatMs));
        const bool woken = until == Clock::time_point::max()
                               ? (m_wake.wait(lock), true)
                               : m_wake.wait_until(lock, until) == std::cv_status::no_timeout;
        if (woken || m_stop || (!m_events.empty() && !menuOpen))
            continue;
        if (repeating && controlById(m_pressed) == held) {
            enqueueLocked({DeviceEventType::ctlRepeat, {held->id}});
            continue;
        }
        if (timeoutMs >= 0 && !menuOpen && Clock::now() >= deadline)
            return DeviceEvent{DeviceEventType::nilEvent, {}};
    }
}

void Device::setDialogAnswerer(
    std::function<std::optional<DialogAnswer>(const DialogRequest &)> answerer)
{
    const std::lock_guard lock(m_mutex);
    m_answerer = std::move(answerer);
}

std::optional<DialogAnswer> Device::askDialog(const DialogRequest &request)
{
    std::unique_lock lock(m_mutex);
    if (m_inputEnded)
        return std::nullopt;
    // The form is on the screen while a script or the pen answers it.
    openFormLocked(request, false);
    m_answer.reset();
    m_dialogOpen = true;
    if (m_answerer) {
        const auto answerer = m_answerer;
        lock.unlock();
        std::optional<DialogAnswer> answer = answerer(request);
        lock.lock();
        m_dialogOpen = false;
        closeFormLocked();
        if (!answer)
            m_inputEnded = true;
        return answer;
    }
    m_wake.wait(lock, [this] { return m_stop || m_inputEnded || m_answer.has_value(); });
    m_dialogOpen = false;
    closeFormLocked();
    if (m_stop || !m_answer)
        return std::nullopt;
    return m_answer;
}

void Device::answerDialog(const DialogAnswer &answer)
{
    const std::lock_guard lock(m_mutex);
    if (!m_dialogOpen)
        return;
    m_answer = answer;
    m_wake.notify_all();
}

bool Device::sleepMs(qint64 ms)
{
    std::unique_lock lock(m_mutex);
    const auto until = Clock::now() + std::chrono::milliseconds(std::max<qint64>(ms, 0));
    m_wake.wait_until(lock, until, [this] { return m_stop; });
    return !m_stop;
}

void Device::setWaitInterrupter(std::function<void()> interrupter)
{
    const std::lock_guard lock(m_mutex);
    m_interrupter = std::move(interrupter);
}

void Device::interruptWait()
{
    const std::lock_guard lock(m_mutex);
    m_interrupted = true;
    m_wake.notify_all();
}

void Device::requestStop()
{
    const std::lock_guard lock(m_mutex);
    m_stop = true;
    m_wake.notify_all();
}

bool Device::stopped() const
{
    const std::lock_guard lock(m_mutex);
    return m_stop;
}

// ---------------------------------------------------------------- sound, output

void Device::setSoundObserver(std::function<void(const QString &)> observer)
{
    const std::lock_guard lock(m_mutex);
    m_soundObserver = std::move(observer);
}

void Device::beep(int sound)
{
    static const char *const names[] = {"info",  "warning",      "error", "startup",
                                        "alarm", "confirmation", "click"};
    const QString name = sound >= 1 && sound <= 7 ? QString::fromLatin1(names[sound - 1])
                                                  : QStringLiteral("sound %1").arg(sound);
    std::function<void(const QString &)> observer;
    {
        const std::lock_guard lock(m_mutex);
        observer = m_soundObserver;
    }
    if (observer)
        observer(QStringLiteral("Beep: %1").arg(name));
}

void Device::tone(int frequency, int milliseconds, int amplitude)
{
    std::function<void(const QString &)> observer;
    {
        const std::lock_guard lock(m_mutex);
        observer = m_soundObserver;
    }
    if (observer && amplitude > 0)
        observer(QStringLiteral("Tone: %1 Hz, %2 ms").arg(frequency).arg(milliseconds));
    // The handheld plays a tone to its end before the program goes on.
    sleepMs(milliseconds);
}

void Device::setOutput(std::function<void(const QByteArray &)> sink)
{
    const std::lock_guard lock(m_mutex);
    m_output = std::move(sink);
}

void Device::output(const QByteArray &text) const
{
    std::function<void(const QByteArray &)> sink;
    {
        const std::lock_guard lock(m_mutex);
        sink = m_output;
    }
    if (sink)
        sink(text);
}
