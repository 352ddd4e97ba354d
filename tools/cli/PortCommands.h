#pragma once

#include <QString>
#include <QStringList>

class LanguageTable;
class PhoneLink;
class PortSurvey;

extern const char* const kPortsUsage;

// `ports`: each port worth asking, with what answers on it. `settingsDevice`
// is asked too (first), though the system may not list it.
int runPorts(PhoneLink& link, PortSurvey& survey, const QStringList& arguments,
             const QString& settingsDevice);
// `--port auto`: the one port a phone answers on, into `device`. None or
// several: the ports are listed on stderr and the status is ExitUsage.
int findAutoPort(PhoneLink& link, PortSurvey& survey, const LanguageTable& texts,
                 const QString& settingsDevice, QString& device);
