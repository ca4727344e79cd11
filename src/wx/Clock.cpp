#include "wx/Clock.h"

QDateTime Clock::now() const
{
    return QDateTime::currentDateTime();
}
