// The handheld's own forms over the program's screen: the modal dialogs
// (alert, confirm, input, date and time pickers) and the open menu, drawn
// in the system's black on white and answered with the pen.
#include "device.h"

#include "palmfonts.h"
#include "palmpalette.h"

#include <QDate>
#include <QLocale>

#include <algorithm>
#include <utility>

namespace {

constexpr int Ink = PalmPalette::Black;
constexpr int Paper = PalmPalette::White;
constexpr int TitleBar = 11;
constexpr int ButtonHeight = 12;
constexpr int MenuRow = 11;
// The handheld's date picker reaches these years.
constexpr int FirstYear = 1904;
constexpr int LastYear = 2031;

// What tapping a hotspot does; months, days and menu items add their number.
enum Action {
    Accept = 1,
    Reject,
    Today,
    YearDown,
    YearUp,
    HourPart,
    MinutePart,
    ValueUp,
    ValueDown,
    MonthBase = 100,
    DayBase = 200,
    ItemBase = 300,
};

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

bool Device::formOpen() const
{
    const std::lock_guard lock(m_mutex);
    return m_form.open;
}

std::optional<DialogAnswer> Device::formAnswer() const
{
    const std::lock_guard lock(m_mutex);
    return m_dialogOpen ? m_answer : std::nullopt;
}

QStringList Device::wrapLocked(const QString &text, int font, int width) const
{
    QStringList lines;
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString &word : paragraph.split(QLatin1Char(' '))) {
            const QString joined = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (line.isEmpty() || textWidthLocked(joined, font) <= width) {
                line = joined;
                continue;
            }
            lines.append(line);
            line = word;
        }
        // A word wider than the form is cut where it reaches the edge.
        while (textWidthLocked(line, font) > width) {
            qsizetype fit = line.size() - 1;
            while (fit > 1 && textWidthLocked(line.left(fit), font) > width)
                --fit;
            lines.append(line.left(fit));
            line = line.mid(fit);
        }
        lines.append(line);
    }
    return lines;
}

void Device::openFormLocked(const DialogRequest &request, bool menu)
{
    m_form = Form();
    m_form.open = true;
    m_form.menu = menu;
    m_form.request = request;
    m_form.value.text = request.initial;
    m_form.value.a = request.a;
    m_form.value.b = request.b;
    m_form.value.c = request.c;
    if (request.kind == DialogRequest::Kind::Date) {
        m_form.value.a = std::clamp(request.a, FirstYear, LastYear);
        m_form.value.b = std::clamp(request.b, 1, 12);
        m_form.value.c =
            std::clamp(request.c, 1, QDate(m_form.value.a, m_form.value.b, 1).daysInMonth());
    } else if (request.kind == DialogRequest::Kind::Time) {
        m_form.value.a = std::clamp(request.a, 0, 23);
        m_form.value.b = std::clamp(request.b, 0, 59);
    }
    m_form.under = m_screen.copy();
    // A pen already down on the program's screen is the form's now.
    m_pressed = 0;
    drawFormLocked();
}

void Device::closeFormLocked()
{
    if (!m_form.open)
        return;
    m_screen = m_form.under;
    m_form = Form();
    touchLocked();
}

void Device::addHotspotLocked(const QRect &rect, int action)
{
    m_form.hotspots.append({rect, action});
}

ScreenItem &Device::addWordsLocked(ScreenItem::Kind kind, const QString &text, const QRect &rect)
{
    ScreenItem item;
    item.kind = kind;
    item.text = text;
    item.rect = rect;
    m_form.words.append(item);
    return m_form.words.last();
}

void Device::drawFormLocked()
{
    m_screen = m_form.under.copy();
    m_form.hotspots.clear();
    m_form.words.clear();
    if (m_form.menu)
        drawMenuLocked();
    else
        drawDialogLocked();
    touchLocked();
}

void Device::drawFormButtonLocked(const QRect &r, const QString &text, bool pressed)
{
    fillLocked(r, pressed ? Ink : Paper);
    frameLocked(r, Ink);
    // A rounded frame: the corner pixels left out.
    for (const QPoint &corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
        plot(corner.x(), corner.y(), Paper);
    drawTextLocked(r.left() + (r.width() - textWidthLocked(text, 0)) / 2, r.top(), text, 0,
                   pressed ? Paper : Ink);
}

void Device::arrowLocked(const QRect &area, Qt::ArrowType direction, int color)
{
    // A solid triangle, 4 pixels from its point to its base, centred in `area`.
    const QPoint c = area.center();
    for (int i = 0; i < 4; ++i) {
        switch (direction) {
        case Qt::UpArrow:
            lineLocked(c.x() - i, c.y() - 2 + i, c.x() + i, c.y() - 2 + i, color);
            break;
        case Qt::DownArrow:
            lineLocked(c.x() - i, c.y() + 1 - i, c.x() + i, c.y() + 1 - i, color);
            break;
        case Qt::LeftArrow:
            lineLocked(c.x() - 2 + i, c.y() - i, c.x() - 2 + i, c.y() + i, color);
            break;
        default:
            lineLocked(c.x() + 1 - i, c.y() - i, c.x() + 1 - i, c.y() + i, color);
            break;
        }
    }
}

void Device::drawDialogLocked()
{
    using Kind = DialogRequest::Kind;
    const DialogRequest &request = m_form.request;
    const int textWidth = Width - 4 - 8;
    QStringList message;
    QString title;
    QList<std::pair<QString, int>> buttons;
    int body = 0; // the height between the title bar and the buttons
    switch (request.kind) {
    case Kind::Alert:
    case Kind::Confirm:
        title = request.kind == Kind::Alert ? QStringLiteral("Alert") : QStringLiteral("Confirm");
        message = wrapLocked(request.text, 0, textWidth);
        // A message longer than the screen keeps the lines that fit.
        message =
            message.mid(0, (Height - 4 - TitleBar - 8 - ButtonHeight - 4) / fontLineHeight(0));
        body = 4 + static_cast<int>(message.size()) * fontLineHeight(0) + 4;
        if (request.kind == Kind::Alert)
            buttons = {{QStringLiteral("OK"), Accept}};
        else
            buttons = {{QStringLiteral("Yes"), Accept}, {QStringLiteral("No"), Reject}};
        break;
    case Kind::Input:
        title = request.text.isEmpty() ? QStringLiteral("Input") : request.text;
        body = 4 + fontLineHeight(0) + 4;
        buttons = {{QStringLiteral("OK"), Accept}, {QStringLiteral("Cancel"), Reject}};
        break;
    case Kind::Date:
        title = request.text.isEmpty() ? QStringLiteral("Select Day") : request.text;
        body = Height - 4 - TitleBar - ButtonHeight - 4; // the whole screen
        buttons = {{QStringLiteral("Cancel"), Reject}, {QStringLiteral("Today"), Today}};
        break;
    case Kind::Time:
        title = request.text.isEmpty() ? QStringLiteral("Set Time") : request.text;
        body = 4 + fontLineHeight(7) + 4;
        buttons = {{QStringLiteral("OK"), Accept}, {QStringLiteral("Cancel"), Reject}};
        break;
    }
    // A modal form sits at the bottom of the screen inside a 2-pixel frame.
    const int height = TitleBar + body + ButtonHeight + 4;
    const QRect inside(2, Height - 2 - height, Width - 4, height);
    fillLocked(inside, Paper);
    for (int i = 1; i <= 2; ++i)
        frameLocked(inside.adjusted(-i, -i, i, i), Ink);
    fillLocked(QRect(inside.left(), inside.top(), inside.width(), TitleBar), Ink);
    QString shownTitle = title;
    while (textWidthLocked(shownTitle, 1) > inside.width() - 4)
        shownTitle.chop(1);
    drawTextLocked(inside.left() + (inside.width() - textWidthLocked(shownTitle, 1)) / 2,
                   inside.top(), shownTitle, 1, Paper);
    addWordsLocked(ScreenItem::Kind::Title, title,
                   QRect(inside.left(), inside.top(), inside.width(), TitleBar));

    const int bodyTop = inside.top() + TitleBar;
    const int left = inside.left() + 4;
    if (request.kind == Kind::Alert || request.kind == Kind::Confirm) {
        for (int i = 0; i < message.size(); ++i)
            drawTextLocked(left, bodyTop + 4 + i * fontLineHeight(0), message[i], 0, Ink);
        addWordsLocked(ScreenItem::Kind::Text, message.join(u' '),
                       QRect(left, bodyTop + 4, textWidth,
                             static_cast<int>(message.size()) * fontLineHeight(0)));
    } else if (request.kind == Kind::Input) {
        // The field shows the end of its text, with the caret after it.
        const int y = bodyTop + 4;
        const int right = inside.right() - 4;
        QString shown = m_form.value.text;
        while (!shown.isEmpty() && textWidthLocked(shown, 0) > right - left - 2)
            shown.remove(0, 1);
        drawTextLocked(left, y, shown, 0, Ink);
        for (int x = left; x <= right; x += 2)
            plot(x, y + fontLineHeight(0) - 1, Ink);
        const int caret = left + textWidthLocked(shown, 0);
        lineLocked(caret, y, caret, y + fontLineHeight(0) - 3, Ink);
        ScreenItem &field = addWordsLocked(ScreenItem::Kind::Field, m_form.value.text,
                                           QRect(left, y, right - left, fontLineHeight(0)));
        field.editable = true;
        field.focused = true;
    } else if (request.kind == Kind::Date) {
        drawDatePickerLocked(QRect(inside.left(), bodyTop, inside.width(), body));
        addWordsLocked(ScreenItem::Kind::Text,
                       QLocale::c().toString(QDate(m_form.value.a, m_form.value.b, m_form.value.c),
                                             QStringLiteral("dddd d MMMM yyyy")),
                       QRect(inside.left(), bodyTop, inside.width(), body));
    } else {
        drawTimePickerLocked(QRect(inside.left(), bodyTop, inside.width(), body));
        addWordsLocked(ScreenItem::Kind::Text,
                       twoDigits(m_form.value.a) + u':' + twoDigits(m_form.value.b),
                       QRect(inside.left(), bodyTop, inside.width(), body));
    }

    int x = left;
    const int y = inside.bottom() - 3 - ButtonHeight + 1;
    for (const auto &[text, action] : std::as_const(buttons)) {
        const QRect r(x, y, std::max(textWidthLocked(text, 0) + 10, 36), ButtonHeight);
        addHotspotLocked(r, action);
        drawFormButtonLocked(r, text,
                             m_form.pressed == static_cast<int>(m_form.hotspots.size()) - 1);
        addWordsLocked(ScreenItem::Kind::Button, text, r);
        x = r.right() + 6;
    }
}

void Device::drawDatePickerLocked(const QRect &inside)
{
    const DialogAnswer &v = m_form.value;
    const int line = fontLineHeight(0);
    // The year between its arrows.
    const QString year = QString::number(v.a);
    const int yearWidth = textWidthLocked(year, 1);
    const int yearLeft = inside.left() + (inside.width() - yearWidth) / 2;
    const int yearTop = inside.top() + 2;
    drawTextLocked(yearLeft, yearTop, year, 1, Ink);
    const QRect down(yearLeft - 16, yearTop, 10, line);
    const QRect up(yearLeft + yearWidth + 6, yearTop, 10, line);
    addHotspotLocked(down, YearDown);
    arrowLocked(down, Qt::LeftArrow, Ink);
    addHotspotLocked(up, YearUp);
    arrowLocked(up, Qt::RightArrow, Ink);

    // Twelve months in two rows; the chosen one inverted.
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int cell = 25;
    const int monthLeft = inside.left() + (inside.width() - 6 * cell) / 2;
    const int monthTop = yearTop + line + 2;
    for (int m = 1; m <= 12; ++m) {
        const QRect r(monthLeft + (m - 1) % 6 * cell, monthTop + (m - 1) / 6 * line, cell, line);
        addHotspotLocked(r, MonthBase + m);
        const bool chosen = m == v.b;
        if (chosen)
            fillLocked(r, Ink);
        const QString name = QString::fromLatin1(months[m - 1]);
        drawTextLocked(r.left() + (cell - textWidthLocked(name, 0)) / 2, r.top(), name, 0,
                       chosen ? Paper : Ink);
    }

    // The days of the month under their weekdays, Sunday first.
    const int dayCell = 21;
    const int dayLeft = inside.left() + (inside.width() - 7 * dayCell) / 2;
    const int headTop = monthTop + 2 * line + 3;
    static const char weekdays[] = "SMTWTFS";
    for (int d = 0; d < 7; ++d) {
        const QString name = QString(QLatin1Char(weekdays[d]));
        drawTextLocked(dayLeft + d * dayCell + (dayCell - textWidthLocked(name, 1)) / 2, headTop,
                       name, 1, Ink);
    }
    lineLocked(dayLeft, headTop + line, dayLeft + 7 * dayCell - 1, headTop + line, Ink);
    const QDate first(v.a, v.b, 1);
    const int offset = first.dayOfWeek() % 7;
    for (int day = 1; day <= first.daysInMonth(); ++day) {
        const int slot = offset + day - 1;
        const QRect r(dayLeft + slot % 7 * dayCell, headTop + line + 2 + slot / 7 * line, dayCell,
                      line);
        addHotspotLocked(r, DayBase + day);
        const bool chosen = day == v.c;
        if (chosen)
            fillLocked(r, Ink);
        const QString number = QString::number(day);
        drawTextLocked(r.left() + (dayCell - textWidthLocked(number, 0)) / 2, r.top(), number, 0,
                       chosen ? Paper : Ink);
    }
}

void Device::drawTimePickerLocked(const QRect &inside)
{
    const DialogAnswer &v = m_form.value;
    const int font = 7;
    const int top = inside.top() + 4;
    const QString hours = twoDigits(v.a);
    const QString minutes = twoDigits(v.b);
    const QString colon = QStringLiteral(":");
    const int total = textWidthLocked(hours + colon + minutes, font) + 4;
    int x = inside.left() + (inside.width() - total) / 2 - 8;
    // Hours and minutes, the one the arrows change inverted.
    for (const auto &[text, action] :
         {std::pair{hours, int(HourPart)}, std::pair{minutes, int(MinutePart)}}) {
        const QRect r(x, top, textWidthLocked(text, font) + 2, fontLineHeight(font));
        addHotspotLocked(r, action);
        const bool chosen = (action == MinutePart) == m_form.minutes;
        if (chosen)
            fillLocked(r, Ink);
        drawTextLocked(r.left() + 1, r.top(), text, font, chosen ? Paper : Ink);
        x = r.right() + 1;
        if (action == HourPart) {
            drawTextLocked(x, top, colon, font, Ink);
            x += textWidthLocked(colon, font);
        }
    }
    const int half = fontLineHeight(font) / 2;
    const QRect up(x + 8, top, 10, half);
    const QRect down(x + 8, top + half, 10, half);
    addHotspotLocked(up, ValueUp);
    arrowLocked(up, Qt::UpArrow, Ink);
    addHotspotLocked(down, ValueDown);
    arrowLocked(down, Qt::DownArrow, Ink);
}

void Device::drawMenuLocked()
{
    // The menu bar across the top with the program's one menu pulled down.
    const QString title = QStringLiteral("Menu");
    const int line = fontLineHeight(0);
    fillLocked(QRect(0, 0, Width, line + 2), Paper);
    frameLocked(QRect(0, 0, Width, line + 2), Ink);
    fillLocked(QRect(2, 1, textWidthLocked(title, 1) + 8, line), Ink);
    drawTextLocked(6, 1, title, 1, Paper);
    addWordsLocked(ScreenItem::Kind::Title, title, QRect(0, 0, Width, line + 2));

    int textWidth = 0, shortcutWidth = 0;
    QStringList texts, shortcuts;
    for (const QString &item : std::as_const(m_menu)) {
        const bool hasShortcut = item.size() >= 2 && item.at(1) == QLatin1Char(':');
        texts.append(hasShortcut ? item.mid(2) : item);
        shortcuts.append(hasShortcut ? QStringLiteral("/") + item.at(0).toUpper() : QString());
        textWidth = std::max(textWidth, textWidthLocked(texts.last(), 0));
        shortcutWidth = std::max(shortcutWidth, textWidthLocked(shortcuts.last(), 0));
    }
    const int width = std::min(textWidth + (shortcutWidth ? shortcutWidth + 12 : 0) + 8, Width - 4);
    const int rows = std::min(static_cast<int>(m_menu.size()), (Height - line - 8) / MenuRow);
    const QRect box(2, line + 1, width, rows * MenuRow + 4);
    fillLocked(box, Paper);
    frameLocked(box, Ink);
    // Its shadow, to the right and below.
    lineLocked(box.right() + 1, box.top() + 1, box.right() + 1, box.bottom() + 1, Ink);
    lineLocked(box.left() + 1, box.bottom() + 1, box.right() + 1, box.bottom() + 1, Ink);
    for (int i = 0; i < rows; ++i) {
        const QRect r(box.left() + 1, box.top() + 2 + i * MenuRow, box.width() - 2, MenuRow);
        addHotspotLocked(r, ItemBase + i + 1);
        const bool pressed = m_form.pressed == i;
        if (pressed)
            fillLocked(r, Ink);
        const int color = pressed ? Paper : Ink;
        drawTextLocked(r.left() + 3, r.top(), texts[i], 0, color);
        drawTextLocked(r.right() - 2 - textWidthLocked(shortcuts[i], 0), r.top(), shortcuts[i], 0,
                       color);
        addWordsLocked(ScreenItem::Kind::Button, texts[i], r);
    }
}

bool Device::formPenDownLocked(int x, int y)
{
    if (!m_form.open)
        return false;
    m_form.pressed = -1;
    for (int i = 0; i < m_form.hotspots.size(); ++i)
        if (m_form.hotspots[i].rect.contains(x, y))
            m_form.pressed = i;
    // A tap outside the menu closes it, as on the handheld.
    if (m_form.menu && m_form.pressed < 0) {
        closeFormLocked();
        return true;
    }
    drawFormLocked();
    return true;
}

bool Device::formPenUpLocked(int x, int y)
{
    if (!m_form.open)
        return false;
    const int pressed = std::exchange(m_form.pressed, -1);
    if (pressed >= 0 && m_form.hotspots[pressed].rect.contains(x, y))
        formActionLocked(m_form.hotspots[pressed].action);
    if (m_form.open)
        drawFormLocked();
    return true;
}

void Device::answerFormLocked(bool accepted)
{
    if (!m_dialogOpen)
        return;
    DialogAnswer answer = m_form.value;
    answer.accepted = accepted;
    m_answer = answer;
    m_wake.notify_all();
}

void Device::formActionLocked(int action)
{
    DialogAnswer &v = m_form.value;
    const auto fitDay = [&v] { v.c = std::min(v.c, QDate(v.a, v.b, 1).daysInMonth()); };
    if (action >= ItemBase) {
        closeFormLocked();
        enqueueLocked({DeviceEventType::menuSelect, {action - ItemBase}});
    } else if (action >= DayBase) {
        v.c = action - DayBase;
        answerFormLocked(true);
    } else if (action >= MonthBase) {
        v.b = action - MonthBase;
        fitDay();
    } else if (action == Accept || action == Reject) {
        answerFormLocked(action == Accept);
    } else if (action == Today) {
        const QDate today = QDate::currentDate();
        v.a = today.year();
        v.b = today.month();
        v.c = today.day();
        answerFormLocked(true);
    } else if (action == YearDown || action == YearUp) {
        v.a = std::clamp(v.a + (action == YearUp ? 1 : -1), FirstYear, LastYear);
        fitDay();
    } else if (action == HourPart || action == MinutePart) {
        m_form.minutes = action == MinutePart;
    } else if (action == ValueUp || action == ValueDown) {
        const int step = action == ValueUp ? 1 : -1;
        if (m_form.minutes)
            v.b = (v.b + step + 60) % 60;
        else
            v.a = (v.a + step + 24) % 24;
    }
}

bool Device::formKeyLocked(int code)
{
    if (!m_form.open)
        return false;
    using Kind = DialogRequest::Kind;
    const Kind kind = m_form.request.kind;
    if (m_form.menu) {
        // An item's shortcut letter chooses it while the menu is open.
        const QChar letter = code < 0x100 ? QChar(code).toUpper() : QChar();
        for (int i = 0; i < m_menu.size() && !letter.isNull(); ++i)
            if (m_menu[i].size() >= 2 && m_menu[i].at(1) == QLatin1Char(':') &&
                m_menu[i].at(0).toUpper() == letter) {
                formActionLocked(ItemBase + i + 1);
                return true;
            }
        if (code == DeviceKey::menu)
            closeFormLocked();
        return true;
    }
    const bool printable = code >= 0x20 && code < 0x100 && code != 0x7F;
    if (kind == Kind::Input && printable) {
        if (m_form.value.text.size() < 255)
            m_form.value.text += QChar(code);
    } else if (kind == Kind::Input && code == DeviceKey::backspace) {
        m_form.value.text.chop(1);
    } else if (code == DeviceKey::linefeed) {
        // Enter is the form's first button.
        answerFormLocked(true);
    } else if (kind == Kind::Time && (code == DeviceKey::pageUp || code == DeviceKey::pageDown)) {
        formActionLocked(code == DeviceKey::pageUp ? ValueUp : ValueDown);
    } else if (kind == Kind::Date && (code == DeviceKey::pageUp || code == DeviceKey::pageDown)) {
        formActionLocked(code == DeviceKey::pageUp ? YearDown : YearUp);
    }
    drawFormLocked();
    return true;
}
