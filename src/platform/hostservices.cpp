#include "hostservices.h"

HostServices::~HostServices() = default;

QString HostServices::applicationTitle()
{
    return QStringLiteral("Scrivlet IDE");
}
