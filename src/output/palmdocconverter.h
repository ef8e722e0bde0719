#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class HostServices;
class QProcess;

// Runs the txt2doc converter without blocking the editor. Each conversion is
// its own process; a failure is reported with the converter's own words in a
// message box, success quietly. The converter belongs to the host services,
// which outlive every window, so closing the editor never cuts a conversion
// short: when the program ends, running conversions are waited for.
class PalmDocConverter : public QObject
{
    Q_OBJECT

public:
    // The converter of the program that `host` serves; created on first use.
    static PalmDocConverter &of(HostServices &host);

    explicit PalmDocConverter(HostServices &host);
    ~PalmDocConverter() override;

    // Starts `converter input output docName`, with the arguments passed as
    // they are (no shell). A converter that is missing is reported at once
    // and false returned; one that cannot be executed is reported when the
    // system says so.
    bool start(const QString &converter, const QString &input, const QString &output,
               const QString &docName);

    // Conversions started and not yet ended.
    int runningCount() const;

signals:
    // A conversion has ended; `ok` is false when it failed or did not start.
    void conversionEnded(const QString &output, bool ok);

private:
    struct Conversion
    {
        QString output;
        QByteArray errorText; // what the converter wrote to standard error
    };

    void collectErrorText(QProcess *process);
    void processFinished(QProcess *process, int exitCode, bool crashed);
    void end(QProcess *process, const QString &failure);

    HostServices &m_host;
    QHash<QProcess *, Conversion> m_conversions;
};
