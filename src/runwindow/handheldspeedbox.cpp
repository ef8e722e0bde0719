#include "handheldspeedbox.h"

#include "platform/hostservices.h"
#include "run/handheldspeed.h"

#include <algorithm>

namespace {

const QString RunSection = QStringLiteral("Run");
const QString SpeedKey = QStringLiteral("Speed");

} // namespace

HandheldSpeedBox::HandheldSpeedBox(HostServices &host, QWidget *parent)
    : QComboBox(parent), m_host(host)
{
    setObjectName(QStringLiteral("runSpeed"));
    setToolTip(tr("How fast the program runs: at full speed or at about a handheld's pace"));
    for (const HandheldSpeed &speed : handheldSpeeds())
        addItem(QString::fromStdString(speed.name), QString::fromStdString(speed.key));
    // An unknown stored value is full speed.
    setCurrentIndex(std::max(0, findData(m_host.readSetting(RunSection, SpeedKey))));
    connect(this, &QComboBox::activated, this, [this](int index) {
        m_host.saveSetting(RunSection, SpeedKey, itemData(index).toString());
        emit rateChosen(rate());
    });
}

double HandheldSpeedBox::rate() const
{
    return handheldSpeedRate(currentData().toString().toStdString());
}
