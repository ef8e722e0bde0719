#include "debugpanel.h"
#include "textfile.h"

#include <QApplication>
#include <QClipboard>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The program's text is in the handheld's character set.
QString shown(const std::string &s)
{
    return TextFile::fromWindows1252(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
}

QString frameText(const DebugFrame &frame)
{
    return DebugPanel::tr("%1, line %2").arg(shown(frame.function)).arg(frame.line);
}

} // namespace

DebugPanel::DebugPanel(QWidget *parent)
    : QWidget(parent, Qt::Window), m_stack(new QListWidget(this)),
      m_variables(new QTreeWidget(this)), m_expression(new QLineEdit(this)),
      m_result(new QLineEdit(this)), m_state(new QLabel(this))
{
    setObjectName(QStringLiteral("debugPanel"));
    setWindowTitle(tr("Debug"));
    m_state->setObjectName(QStringLiteral("debugState"));
    m_state->setWordWrap(true);

    m_stack->setObjectName(QStringLiteral("debugStack"));
    m_stack->setAccessibleName(tr("Call stack"));
    auto *stackLabel = new QLabel(tr("Call &stack"), this);
    stackLabel->setBuddy(m_stack);

    m_variables->setObjectName(QStringLiteral("debugVariables"));
    m_variables->setAccessibleName(tr("Variables"));
    m_variables->setColumnCount(3);
    m_variables->setHeaderLabels({tr("Name"), tr("Value"), tr("Type")});
    m_variables->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_variables->setUniformRowHeights(true);
    auto *variablesLabel = new QLabel(tr("&Variables"), this);
    variablesLabel->setBuddy(m_variables);

    m_expression->setObjectName(QStringLiteral("debugExpression"));
    m_expression->setAccessibleName(tr("Expression"));
    m_expression->setPlaceholderText(tr("A Plua expression, then Enter"));
    m_result->setObjectName(QStringLiteral("debugResult"));
    m_result->setAccessibleName(tr("Value of the expression"));
    m_result->setReadOnly(true);
    auto *form = new QFormLayout;
    auto *expressionLabel = new QLabel(tr("&Expression:"), this);
    expressionLabel->setBuddy(m_expression);
    auto *resultLabel = new QLabel(tr("Va&lue:"), this);
    resultLabel->setBuddy(m_result);
    form->addRow(expressionLabel, m_expression);
    form->addRow(resultLabel, m_result);

    auto *stackPart = new QWidget(this);
    auto *stackLayout = new QVBoxLayout(stackPart);
    stackLayout->setContentsMargins(0, 0, 0, 0);
    stackLayout->addWidget(stackLabel);
    stackLayout->addWidget(m_stack);
    auto *variablesPart = new QWidget(this);
    auto *variablesLayout = new QVBoxLayout(variablesPart);
    variablesLayout->setContentsMargins(0, 0, 0, 0);
    variablesLayout->addWidget(variablesLabel);
    variablesLayout->addWidget(m_variables);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(stackPart);
    splitter->addWidget(variablesPart);
    splitter->setStretchFactor(1, 3);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_state);
    layout->addWidget(splitter, 1);
    layout->addLayout(form);
    setTabOrder(m_stack, m_variables);
    setTabOrder(m_variables, m_expression);
    setTabOrder(m_expression, m_result);
    resize(fontMetrics().averageCharWidth() * 60, fontMetrics().height() * 30);

    connect(m_stack, &QListWidget::currentRowChanged, this, [this](int row) {
        showFrame(row);
        if (row >= 0 && row < static_cast<int>(m_snapshot.frames.size()))
            emit frameChosen(m_snapshot.frames[static_cast<std::size_t>(row)].line);
    });
    connect(m_expression, &QLineEdit::returnPressed, this, [this] {
        if (m_paused && !m_expression->text().trimmed().isEmpty())
            emit evaluateRequested(currentFrame(), m_expression->text());
    });
    m_variables->installEventFilter(this);
    setPausedControls(false);
}

void DebugPanel::setPausedControls(bool paused)
{
    m_paused = paused;
    m_expression->setEnabled(paused);
    if (!paused) {
        m_stack->clear();
        m_variables->clear();
        m_result->clear();
    }
}

void DebugPanel::showRunning(const QString &program)
{
    setPausedControls(false);
    setWindowTitle(tr("Debug - %1: running").arg(program));
    m_state->setText(
        tr("%1 is running. Pause it, or set a breakpoint (F9) to stop it at a line.").arg(program));
}

void DebugPanel::showPaused(const QString &program, const DebugSnapshot &snapshot)
{
    m_snapshot = snapshot;
    setPausedControls(true);
    setWindowTitle(tr("Debug - %1: paused at line %2").arg(program).arg(snapshot.line));
    m_state->setText(tr("Paused at line %1.").arg(snapshot.line));
    const QSignalBlocker blocker(m_stack);
    m_stack->clear();
    for (const DebugFrame &frame : snapshot.frames) {
        auto *item = new QListWidgetItem(frameText(frame), m_stack);
        item->setData(Qt::AccessibleTextRole, frameText(frame));
    }
    m_stack->setCurrentRow(0);
    showFrame(0);
}

void DebugPanel::showEnded(const QString &program, const QString &how)
{
    setPausedControls(false);
    setWindowTitle(tr("Debug - %1: %2").arg(program, how));
    m_state->setText(how);
}

void DebugPanel::showResult(int frame, const QString &expression, const QString &result)
{
    if (frame != currentFrame() || expression != m_expression->text())
        return;
    m_result->setText(result);
    m_result->setAccessibleDescription(result);
}

int DebugPanel::currentFrame() const
{
    return std::max(0, m_stack->currentRow());
}

void DebugPanel::addValues(QTreeWidgetItem *parent, const std::vector<DebugValue> &values)
{
    for (const DebugValue &v : values) {
        auto *item = new QTreeWidgetItem(parent);
        const QString name = shown(v.name);
        const QString value = shown(v.value);
        item->setText(0, name);
        item->setText(1, value);
        item->setText(2, shown(v.type));
        item->setToolTip(1, value);
        // A screen reader reads the row as one sentence.
        for (int column = 0; column < 3; ++column)
            item->setData(column, Qt::AccessibleTextRole,
                          tr("%1 = %2 (%3)").arg(name, value, shown(v.type)));
        addValues(item, v.children);
        if (v.cut)
            new QTreeWidgetItem(item, {tr("(more not shown)")});
    }
}

void DebugPanel::showFrame(int frame)
{
    m_variables->clear();
    m_result->clear();
    if (frame < 0 || frame >= static_cast<int>(m_snapshot.frames.size()))
        return;
    const DebugFrame &f = m_snapshot.frames[static_cast<std::size_t>(frame)];
    const struct
    {
        QString title;
        const std::vector<DebugValue> &values;
    } groups[] = {
        {tr("Locals"), f.locals},
        {tr("Upvalues"), f.upvalues},
        {tr("Globals"), m_snapshot.globals},
    };
    for (const auto &group : groups) {
        auto *top = new QTreeWidgetItem(m_variables, {group.title});
        top->setFirstColumnSpanned(true);
        top->setData(0, Qt::AccessibleTextRole,
                     tr("%1: %n variable(s)", nullptr, static_cast<int>(group.values.size()))
                         .arg(group.title));
        addValues(top, group.values);
        top->setExpanded(!group.values.empty());
    }
    // The first local, ready for the keyboard.
    QTreeWidgetItem *first = m_variables->topLevelItem(0);
    m_variables->setCurrentItem(first && first->childCount() > 0 ? first->child(0) : first);
}

bool DebugPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_variables && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        if (const QTreeWidgetItem *item = m_variables->currentItem(); item && item->parent()) {
            QApplication::clipboard()->setText(item->text(0) + QStringLiteral(" = ") +
                                               item->text(1));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
