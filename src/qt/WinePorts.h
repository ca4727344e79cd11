#pragma once

#include <QByteArray>
#include <QString>

// The devices a user names for COM ports in Wine's registry (HKLM\Software\Wine\Ports), which
// Wine puts before what it detects when it rebuilds its dosdevices/comN links.
namespace WinePorts {

// The device that the registry text (the contents of $WINEPREFIX/system.reg) names for COM
// port N, or an empty text when it names none.
QString deviceIn(const QByteArray& systemReg, int port);

} // namespace WinePorts
