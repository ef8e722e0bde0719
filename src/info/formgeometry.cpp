#include "formgeometry.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <algorithm>

namespace FormGeometry {

void makeFixedDialog(QWidget *form, int width, int height, bool closeButton)
{
    Qt::WindowFlags flags =
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    if (closeButton)
        flags |= Qt::WindowCloseButtonHint;
    form->setWindowFlags(flags);
    form->setFont(Twips::windowFont());
    // Twips follow the UI font, so the desktop's own font fits the layout.
    form->setFixedSize(px(width), px(height));
}

void placeClientArea(QWidget *form, int left, int top)
{
    // A top-level widget's geometry is its client area, without the frame.
    form->setGeometry(QRect(QPoint(px(left), px(top)), form->size()));
}

QLabel *addLabel(QWidget *form, const char *name, const QRect &box, const QString &text)
{
    auto *label = new QLabel(text, form);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(box);
    return label;
}

QPushButton *addButton(QWidget *form, const char *name, const QRect &box, const QString &caption)
{
    auto *button = new QPushButton(caption, form);
    button->setObjectName(QLatin1String(name));
    // Outside a QDialog a button ignores Enter unless it is auto-default.
    button->setAutoDefault(true);
    button->setGeometry(box);
    return button;
}

void fitLabels(QWidget *form)
{
    const auto labels = form->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    const auto controls = form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QLabel *label : labels) {
        // A box that reaches past the right edge would put its text against
        // the frame: it keeps its left margin, up to 120 twips, on the right.
        const int maxWidth = form->width() - label->x() - std::min(label->x(), px(120));
        if (label->x() + label->width() > form->width() && maxWidth > 0)
            label->resize(maxWidth, label->height());
        if (label->heightForWidth(label->width()) <= label->height())
            continue;
        const QRect box = label->geometry();
        int bottom = form->height();
        for (const QWidget *other : controls) {
            const QRect g = other->geometry();
            const bool below =
                g.top() > box.top() && g.left() < box.right() && g.right() > box.left();
            if (other != label && below)
                bottom = std::min(bottom, g.top());
        }
        const int room = std::max(box.height(), bottom - box.top());
        label->resize(box.width(), std::min(room, label->heightForWidth(box.width())));
        QFont font = label->font();
        while (label->heightForWidth(box.width()) > label->height() && font.pointSizeF() > 6) {
            font.setPointSizeF(font.pointSizeF() - 0.5);
            label->setFont(font);
        }
    }
}

} // namespace FormGeometry
