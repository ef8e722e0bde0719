#pragma once

#include <QWidget>

class ProgramState;

// "Where to get PLua?": links to the places that offer Plua and this program.
class PluaWhere : public QWidget
{
    Q_OBJECT

public:
    explicit PluaWhere(ProgramState &program, QWidget *parent = nullptr);
};
