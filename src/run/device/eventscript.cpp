#include "eventscript.h"

#include "device.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QHash>
#include <QImageWriter>

namespace {

std::optional<int> keyCode(const QString &word)
{
    static const QHash<QString, int> names = {
        {QStringLiteral("enter"), DeviceKey::linefeed},
        {QStringLiteral("backspace"), DeviceKey::backspace},
        {QStringLiteral("space"), 0x20},
    };
    if (word.size() == 1)
        return word.at(0).unicode() < 0x100 ? std::optional<int>(word.at(0).unicode())
                                            : std::nullopt;
    if (names.contains(word))
        return names.value(word);
    bool ok = false;
    const int code = word.toInt(&ok, 0);
    return ok && code >= 0 && code <= 0xFFFF ? std::optional<int>(code) : std::nullopt;
}

std::optional<int> buttonCode(const QString &word)
{
    static const QHash<QString, int> names = {
        {QStringLiteral("hard1"), DeviceKey::hard1}, {QStringLiteral("hard2"), DeviceKey::hard2},
        {QStringLiteral("hard3"), DeviceKey::hard3}, {QStringLiteral("hard4"), DeviceKey::hard4},
        {QStringLiteral("up"), DeviceKey::pageUp},   {QStringLiteral("down"), DeviceKey::pageDown},
        {QStringLiteral("menu"), DeviceKey::menu},   {QStringLiteral("home"), DeviceKey::launch},
        {QStringLiteral("find"), DeviceKey::find},   {QStringLiteral("calc"), DeviceKey::calc},
    };
    return names.contains(word) ? std::optional<int>(names.value(word)) : std::nullopt;
}

} // namespace

std::optional<EventScript> EventScript::parse(const QString &text, QString *error)
{
    EventScript script;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype space = trimmed.indexOf(QLatin1Char(' '));
        const QString verb = trimmed.left(space < 0 ? trimmed.size() : space);
        const QString rest = space < 0 ? QString() : trimmed.mid(space + 1).trimmed();
        const QStringList words = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const auto fail = [&](const QString &message) {
            if (error)
                *error = QStringLiteral("%1: %2").arg(i + 1).arg(message);
            return std::nullopt;
        };
        const auto numbers = [&](int count, QList<int> *out) {
            if (words.size() != count)
                return false;
            for (const QString &word : words) {
                bool ok = false;
                out->append(word.toInt(&ok));
                if (!ok)
                    return false;
            }
            return true;
        };
        Step step;
        step.line = i + 1;
        if (verb == QLatin1String("tap") || verb == QLatin1String("down") ||
            verb == QLatin1String("move") || verb == QLatin1String("up")) {
            step.kind = verb == QLatin1String("tap")    ? Step::Kind::Tap
                        : verb == QLatin1String("down") ? Step::Kind::Down
                        : verb == QLatin1String("move") ? Step::Kind::Move
                                                        : Step::Kind::Up;
            if (!numbers(2, &step.numbers))
                return fail(QStringLiteral("%1 needs X and Y").arg(verb));
            if (step.numbers[0] < 0 || step.numbers[0] >= Device::Width || step.numbers[1] < 0 ||
                step.numbers[1] >= Device::Height)
                return fail(QStringLiteral("%1 %2 %3 is off the screen (0-%4, 0-%5)")
                                .arg(verb)
                                .arg(step.numbers[0])
                                .arg(step.numbers[1])
                                .arg(Device::Width - 1)
                                .arg(Device::Height - 1));
        } else if (verb == QLatin1String("key")) {
            step.kind = Step::Kind::Key;
            const std::optional<int> code = keyCode(rest);
            if (!code)
                return fail(QStringLiteral("unknown key \"%1\"").arg(rest));
            step.numbers = {*code};
        } else if (verb == QLatin1String("type")) {
            step.kind = Step::Kind::Type;
            step.text = line.mid(line.indexOf(QLatin1String("type")) + 5);
            if (step.text.isEmpty())
                return fail(QStringLiteral("type needs a text"));
        } else if (verb == QLatin1String("button")) {
            step.kind = Step::Kind::Key;
            const std::optional<int> code = buttonCode(rest);
            if (!code)
                return fail(QStringLiteral("unknown button \"%1\"").arg(rest));
            step.numbers = {*code};
        } else if (verb == QLatin1String("menu")) {
            step.kind = Step::Kind::Menu;
            if (!numbers(1, &step.numbers) || step.numbers[0] < 1)
                return fail(QStringLiteral("menu needs an item number from 1"));
        } else if (verb == QLatin1String("wait")) {
            step.kind = Step::Kind::Wait;
            if (!numbers(1, &step.numbers) || step.numbers[0] < 0)
                return fail(QStringLiteral("wait needs milliseconds"));
        } else if (verb == QLatin1String("screenshot")) {
            step.kind = Step::Kind::Screenshot;
            step.text = rest;
            if (rest.isEmpty())
                return fail(QStringLiteral("screenshot needs a file name"));
        } else if (verb == QLatin1String("answer")) {
            step.kind = Step::Kind::Answer;
            const QString what = words.value(0);
            step.text = what;
            if (what == QLatin1String("text")) {
                step.text = QStringLiteral("text");
                step.numbers = {};
                const qsizetype at = line.indexOf(QLatin1String("text"));
                step.text += QLatin1Char(':') + line.mid(at + 5);
            } else if (what == QLatin1String("date") || what == QLatin1String("time")) {
                const int count = what == QLatin1String("date") ? 3 : 2;
                for (int w = 1; w < words.size(); ++w) {
                    bool ok = false;
                    step.numbers.append(words[w].toInt(&ok));
                    if (!ok)
                        step.numbers.clear();
                }
                if (step.numbers.size() != count)
                    return fail(QStringLiteral("answer %1 needs %2 numbers").arg(what).arg(count));
            } else if (what != QLatin1String("ok") && what != QLatin1String("cancel") &&
                       what != QLatin1String("yes") && what != QLatin1String("no")) {
                return fail(QStringLiteral("answer needs ok, cancel, yes, no, text, date or time"));
            }
        } else {
            return fail(QStringLiteral("unknown step \"%1\"").arg(verb));
        }
        script.m_steps.push_back(step);
    }
    return script;
}

QStringList EventScript::screenshotPaths() const
{
    QStringList paths;
    for (const Step &step : m_steps)
        if (step.kind == Step::Kind::Screenshot)
            paths.append(step.text);
    return paths;
}

std::optional<QString> EventScript::saveScreenshot(const Device &device, const QString &path)
{
    const auto failed = [&path](const QString &why) {
        return QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), why);
    };
    // Never a FIFO or a device: writing there could wait for ever.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return failed(QStringLiteral("not a regular file"));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(device.screen()))
        return failed(writer.errorString());
    // Whole or not at all: a full disk is an error, not a short picture.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.commit())
        return failed(file.errorString());
    return std::nullopt;
}

bool EventScript::runScreenshot(const Device &device, const Step &step)
{
    if (const std::optional<QString> error = saveScreenshot(device, step.text)) {
        m_error = QStringLiteral("line %1: %2").arg(step.line).arg(*error);
        return false;
    }
    return true;
}

bool EventScript::feed(Device &device)
{
    while (m_next < m_steps.size()) {
        const Step &step = m_steps[m_next++];
        switch (step.kind) {
        case Step::Kind::Screenshot:
            if (!runScreenshot(device, step))
                return false;
            continue;
        case Step::Kind::Wait:
            device.holdInput(step.numbers[0]);
            return true;
        case Step::Kind::Answer:
            m_error = QStringLiteral("line %1: an answer, but the program shows no dialog")
                          .arg(step.line);
            return false;
        case Step::Kind::Tap:
            device.tap(step.numbers[0], step.numbers[1]);
            return true;
        case Step::Kind::Down:
            device.penDown(step.numbers[0], step.numbers[1]);
            return true;
        case Step::Kind::Move:
            device.penMove(step.numbers[0], step.numbers[1]);
            return true;
        case Step::Kind::Up:
            device.penUp(step.numbers[0], step.numbers[1]);
            return true;
        case Step::Kind::Key:
            device.key(step.numbers[0]);
            return true;
        case Step::Kind::Type:
            for (QChar c : step.text)
                device.key(c.unicode());
            return true;
        case Step::Kind::Menu: {
            const qsizetype items = device.menuItems().size();
            if (step.numbers[0] > items) {
                m_error = items == 0
                              ? QStringLiteral("line %1: menu %2, but the program has no menu")
                                    .arg(step.line)
                                    .arg(step.numbers[0])
                              : QStringLiteral("line %1: menu %2, but the menu has %3 items")
                                    .arg(step.line)
                                    .arg(step.numbers[0])
                                    .arg(items);
                return false;
            }
            device.chooseMenu(step.numbers[0]);
            return true;
        }
        }
    }
    return false;
}

void EventScript::attach(Device &device)
{
    device.setInputFeeder([this](Device &d) { return feed(d); });
    device.setDialogAnswerer(
        [this, &device](const DialogRequest &request) -> std::optional<DialogAnswer> {
            while (m_next < m_steps.size()) {
                const Step &step = m_steps[m_next++];
                if (step.kind == Step::Kind::Screenshot) {
                    if (!runScreenshot(device, step))
                        return std::nullopt;
                    continue;
                }
                if (step.kind == Step::Kind::Wait) {
                    if (!device.sleepMs(step.numbers[0]))
                        return std::nullopt;
                    continue;
                }
                // The pen and keys reach the form on the screen; a step that
                // taps one of its buttons answers it.
                if (step.kind == Step::Kind::Tap || step.kind == Step::Kind::Down ||
                    step.kind == Step::Kind::Move || step.kind == Step::Kind::Up ||
                    step.kind == Step::Kind::Key || step.kind == Step::Kind::Type) {
                    --m_next;
                    feed(device);
                    if (std::optional<DialogAnswer> answer = device.formAnswer())
                        return answer;
                    continue;
                }
                if (step.kind != Step::Kind::Answer) {
                    m_error = QStringLiteral("line %1: the program shows a dialog (\"%2\"); "
                                             "answer it first")
                                  .arg(step.line)
                                  .arg(request.text);
                    return std::nullopt;
                }
                DialogAnswer answer;
                answer.accepted =
                    step.text != QLatin1String("cancel") && step.text != QLatin1String("no");
                if (step.text.startsWith(QLatin1String("text:")))
                    answer.text = step.text.mid(5);
                else if (request.kind == DialogRequest::Kind::Input)
                    answer.text = request.initial;
                answer.a = step.numbers.value(0, request.a);
                answer.b = step.numbers.value(1, request.b);
                answer.c = step.numbers.value(2, request.c);
                return answer;
            }
            return std::nullopt;
        });
}
