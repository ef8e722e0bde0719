#pragma once

#include <QWidget>

class Program;

// "What is (P)Lua?": what Plua is, and where the Lua reference lives.
class PluaInfo : public QWidget
{
    Q_OBJECT

public:
    explicit PluaInfo(Program &program, QWidget *parent = nullptr);
};
