#pragma once

#include <QWidget>

class ProgramState;

// "What is (P)Lua?": what Plua is, and where the Lua reference lives.
class PluaInfo : public QWidget
{
    Q_OBJECT

public:
    explicit PluaInfo(ProgramState &program, QWidget *parent = nullptr);
};
