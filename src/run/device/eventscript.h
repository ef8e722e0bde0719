#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <vector>

class Device;

// A recorded session of input for a program run without a user: one step a
// line, fed to the device whenever the program waits for input, so a run
// is the same every time.
//
//   tap X Y            pen down and up at X,Y (also: down X Y, move X Y, up X Y)
//   key K              one key: a single character, a code (65, 0x41) or
//                      enter, backspace, space
//   type TEXT          each character of TEXT as a key
//   button NAME        hard1..hard4, up, down, menu, home, find, calc
//   menu N             chooses menu item N (the first is 1)
//   wait MS            no input for MS milliseconds (time-outs run meanwhile)
//   answer ok|cancel|yes|no | answer text TEXT | answer date Y M D | answer time H M
//                      answers the dialog the program shows; taps and keys
//                      reach the dialog's form on the screen as well
//   screenshot PATH    writes the screen as a PNG
// Blank lines and lines starting with # are skipped.
class EventScript
{
public:
    // Parses a script; on a fault returns nothing and sets *error to
    // "LINE: message".
    static std::optional<EventScript> parse(const QString &text, QString *error);

    // Makes the script the device's source of input and dialog answers.
    // The script must outlive the run.
    void attach(Device &device);
    // Set when a step could not be carried out (a screenshot not written,
    // a dialog without an answer); the run stops there.
    QString errorString() const { return m_error; }
    // The files the script's screenshot steps write.
    QStringList screenshotPaths() const;

    // Writes the screen as a PNG file; returns an error text or nothing.
    static std::optional<QString> saveScreenshot(const Device &device, const QString &path);

private:
    struct Step
    {
        enum class Kind { Down, Move, Up, Tap, Key, Type, Menu, Wait, Answer, Screenshot };
        Kind kind = Kind::Tap;
        int line = 0;
        QList<int> numbers;
        QString text;
    };
    bool feed(Device &device);
    bool runScreenshot(const Device &device, const Step &step);

    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    QString m_error;
};
