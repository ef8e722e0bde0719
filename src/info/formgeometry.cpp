#include "formgeometry.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace FormGeometry {

void makeFixedDialog(QWidget *form, int width, int height, bool closeButton)
{
    Qt::WindowFlags flags =
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    if (closeButton)
        flags |= Qt::WindowCloseButtonHint;
    form->setWindowFlags(flags);
    form->setFixedSize(px(width), px(height));
    // The layouts are drawn for an 8 point dialog font; larger text would
    // overflow the label boxes.
    QFont font = form->font();
    font.setPointSizeF(8);
    form->setFont(font);
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

} // namespace FormGeometry
