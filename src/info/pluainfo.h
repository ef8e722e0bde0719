#pragma once

#include <QWidget>

class Module1;

// "What is (P)Lua?": what Plua is, and where the Lua reference lives.
class pluainfo : public QWidget
{
    Q_OBJECT

public:
    explicit pluainfo(Module1 &program, QWidget *parent = nullptr);
};
