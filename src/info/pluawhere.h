#pragma once

#include <QWidget>

class Program;

// "Where to get PLua?": links to the places that offer Plua and this program.
class Pluawhere : public QWidget
{
    Q_OBJECT

public:
    explicit Pluawhere(Program &program, QWidget *parent = nullptr);
};
