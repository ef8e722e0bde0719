#pragma once

#include <QWidget>

class Module1;

// "Where to get PLua?": links to the places that offer Plua and this program.
class Pluawhere : public QWidget
{
    Q_OBJECT

public:
    explicit Pluawhere(Module1 &program, QWidget *parent = nullptr);
};
