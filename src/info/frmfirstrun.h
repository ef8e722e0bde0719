#pragma once

#include <QWidget>

class ProgramState;

// The first-run wizard: points a new user to the Plua download, explains the
// export-and-sync workflow, and on OK records that the first run is over.
class frmFirstRun : public QWidget
{
    Q_OBJECT

public:
    explicit frmFirstRun(ProgramState &program, QWidget *parent = nullptr);

private:
    void finish();

    ProgramState &m_program;
};
