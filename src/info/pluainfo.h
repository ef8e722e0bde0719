#pragma once

#include <QWidget>

class Program;

// "What is (P)Lua?": what Plua is, and where the Lua reference lives.
class pluainfo : public QWidget
{
    Q_OBJECT

public:
    explicit pluainfo(Program &program, QWidget *parent = nullptr);
};
