#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class QProcess;
class QWidget;

// Runs the txt2doc converter without blocking the editor. Each conversion is
// its own process; a failure is reported through conversionFailed with the
// converter's own words, for the window to show, success quietly. Closing the editor waits for
// running conversions in a window that says so and offers to stop them, so every result is still
// reported; whatever is left when the program ends anyway is stopped, never waited for without end.
class PalmDocConverter : public QObject
{
    Q_OBJECT

public:
    explicit PalmDocConverter(QObject *parent);
    ~PalmDocConverter() override;

    // What becomes of the input file once the conversion has ended.
    enum class Input { Keep, Remove };

    // Starts `converter input output docName`, with the arguments passed as
    // they are (no shell). A converter that is missing is reported at once
    // and false returned; one that cannot be executed is reported when the
    // system says so.
    bool start(const QString &converter, const QString &input, const QString &output,
               const QString &docName, Input inputAfterwards = Input::Keep);

    // Conversions started and not yet ended.
    int runningCount() const;

    // Returns once every conversion has ended, showing meanwhile a window
    // over `parent` whose button stops them. Failures are reported as usual.
    void waitForAll(QWidget *parent);
    // Ends every running conversion now; each is reported as stopped.
    void stopAll();

signals:
    // A conversion failed, did not start or was stopped; `message` says so
    // for the user, in the converter's own words where it gave any.
    void conversionFailed(const QString &message);
    // A conversion has ended; `ok` is false when it failed or did not start.
    void conversionEnded(const QString &output, bool ok);

private:
    struct Conversion
    {
        QString output;
        QString temporaryInput; // removed when the conversion ends; may be empty
        QByteArray errorText;   // what the converter wrote to standard error
        bool stopped = false;
    };

    void collectErrorText(QProcess *process);
    void processFinished(QProcess *process, int exitCode, bool crashed);
    void end(QProcess *process, const QString &failure);

    QHash<QProcess *, Conversion> m_conversions;
};
