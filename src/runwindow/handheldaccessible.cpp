#include "handheldaccessible.h"

#include "device.h"
#include "handheldview.h"

#include <QAccessible>
#include <QWindow>

namespace {

// One thing on the handheld, as it was when the reader asked.
struct Entry
{
    QAccessible::Role role = QAccessible::StaticText;
    QString name;
    QString value;
    QString description;
    QAccessible::State state;
    QRect rect;         // in the view's coordinates
    QPoint tap{-1, -1}; // the screen pixel a press taps
    int key = 0;        // the button a press presses
    QString keyName;
};

class HandheldItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    HandheldItemAccessible(HandheldView *view, Entry entry)
        : m_view(view), m_entry(std::move(entry))
    {}

    bool isValid() const override { return !m_view.isNull(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return m_view ? QAccessible::queryAccessibleInterface(m_view) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return m_entry.name;
        case QAccessible::Value:
            return m_entry.value;
        case QAccessible::Description:
            return m_entry.description;
        case QAccessible::Accelerator:
            return m_entry.keyName;
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!m_view)
            return {};
        return QRect(m_view->mapToGlobal(m_entry.rect.topLeft()), m_entry.rect.size());
    }
    QAccessible::Role role() const override { return m_entry.role; }
    QAccessible::State state() const override { return m_entry.state; }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface && (m_entry.key || m_entry.tap.x() >= 0))
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (!m_view || name != pressAction())
            return;
        if (m_entry.key)
            m_view->pressButton(m_entry.key);
        else
            m_view->tap(m_entry.tap);
    }
    QStringList keyBindingsForAction(const QString &name) const override
    {
        if (name == pressAction() && !m_entry.keyName.isEmpty())
            return {m_entry.keyName};
        return {};
    }

private:
    QPointer<HandheldView> m_view;
    Entry m_entry;
};

QAccessibleInterface *handheldFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("HandheldView") && object && object->isWidgetType())
        return new HandheldViewAccessible(static_cast<HandheldView *>(object));
    return nullptr;
}

Entry entryOf(const HandheldView &view, const ScreenItem &item)
{
    Entry e;
    const QRect screen = view.screenRect();
    const int scale = view.scale();
    e.rect = QRect(screen.topLeft() + item.rect.topLeft() * scale, item.rect.size() * scale)
                 .intersected(screen);
    const QPoint centre = item.rect.center();
    const auto control = [&e, &centre] {
        e.tap = QPoint(std::clamp(centre.x(), 0, Device::Width - 1),
                       std::clamp(centre.y(), 0, Device::Height - 1));
        e.state.focusable = true;
    };
    e.name = item.text;
    switch (item.kind) {
    case ScreenItem::Kind::Title:
        e.role = QAccessible::Heading;
        break;
    case ScreenItem::Kind::Text:
    case ScreenItem::Kind::Label:
        e.role = QAccessible::StaticText;
        break;
    case ScreenItem::Kind::Button:
    case ScreenItem::Kind::RepeatButton:
        e.role = QAccessible::Button;
        control();
        break;
    case ScreenItem::Kind::PushButton:
        e.role = QAccessible::Button;
        e.state.checkable = true;
        e.state.checked = item.state != 0;
        control();
        break;
    case ScreenItem::Kind::CheckBox:
        e.role = QAccessible::CheckBox;
        e.state.checkable = true;
        e.state.checked = item.state != 0;
        control();
        break;
    case ScreenItem::Kind::Field:
        e.role = QAccessible::EditableText;
        e.name = QObject::tr("Field");
        e.value = item.text;
        e.state.focused = item.focused;
        e.state.editable = item.editable;
        e.state.readOnly = !item.editable;
        control();
        break;
    case ScreenItem::Kind::List:
        e.role = QAccessible::List;
        e.name = QObject::tr("List");
        e.value = item.selected >= 0 && item.selected < item.items.size()
                      ? item.items[item.selected]
                      : QString();
        e.description = item.items.join(QStringLiteral(", "));
        e.state.focusable = true;
        break;
    }
    return e;
}

} // namespace

HandheldViewAccessible::HandheldViewAccessible(HandheldView *view)
    : QAccessibleWidget(view, QAccessible::Client)
{}

HandheldViewAccessible::~HandheldViewAccessible()
{
    for (QAccessible::Id id : std::as_const(m_children))
        QAccessible::deleteAccessibleInterface(id);
}

void HandheldViewAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(handheldFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

HandheldView *HandheldViewAccessible::view() const
{
    return static_cast<HandheldView *>(widget());
}

void HandheldViewAccessible::update() const
{
    HandheldView *v = view();
    if (m_revision == v->screenItemsRevision() && m_scale == v->scale())
        return;
    for (QAccessible::Id id : std::as_const(m_children))
        QAccessible::deleteAccessibleInterface(id);
    m_children.clear();
    m_revision = v->screenItemsRevision();
    m_scale = v->scale();
    for (const ScreenItem &item : v->screenItems())
        m_children.append(QAccessible::registerAccessibleInterface(
            new HandheldItemAccessible(v, entryOf(*v, item))));
    static const struct
    {
        int key;
        const char *name;
        const char *keyName;
    } buttonNames[] = {
        {DeviceKey::launch, "Home", "F9"},      {DeviceKey::menu, "Menu", "F10"},
        {DeviceKey::calc, "Calc", "F11"},       {DeviceKey::find, "Find", "F12"},
        {DeviceKey::hard1, "Date", "F1"},       {DeviceKey::hard2, "Addr", "F2"},
        {DeviceKey::pageUp, "Page Up", "PgUp"}, {DeviceKey::pageDown, "Page Down", "PgDown"},
        {DeviceKey::hard3, "To Do", "F3"},      {DeviceKey::hard4, "Memo", "F4"},
    };
    for (const HandheldView::Button &button : v->buttons()) {
        Entry e;
        e.role = QAccessible::Button;
        e.rect = button.rect;
        e.key = button.key;
        e.name = button.label;
        for (const auto &known : buttonNames) {
            if (known.key == button.key) {
                e.name = QObject::tr(known.name);
                e.keyName = QString::fromLatin1(known.keyName);
            }
        }
        e.state.focusable = false;
        m_children.append(
            QAccessible::registerAccessibleInterface(new HandheldItemAccessible(v, e)));
    }
}

int HandheldViewAccessible::childCount() const
{
    update();
    return int(m_children.size());
}

QAccessibleInterface *HandheldViewAccessible::child(int index) const
{
    update();
    if (index < 0 || index >= m_children.size())
        return nullptr;
    return QAccessible::accessibleInterface(m_children[index]);
}

int HandheldViewAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    update();
    for (int i = 0; i < m_children.size(); ++i)
        if (QAccessible::accessibleInterface(m_children[i]) == child)
            return i;
    return -1;
}

QAccessibleInterface *HandheldViewAccessible::childAt(int x, int y) const
{
    update();
    // The last drawn is on top.
    for (qsizetype i = m_children.size() - 1; i >= 0; --i) {
        QAccessibleInterface *c = QAccessible::accessibleInterface(m_children[i]);
        if (c && c->rect().contains(x, y))
            return c;
    }
    return nullptr;
}
