#pragma once

#include <QWidget>

class Program;

// "Where to get PLua?": links to the places that offer Plua and this program.
class PluaWhere : public QWidget
{
    Q_OBJECT

public:
    explicit PluaWhere(Program &program, QWidget *parent = nullptr);
};
