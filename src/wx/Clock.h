#pragma once

#include <QDateTime>

// The wall clock, behind a seam so that tests can stand at any date and time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const;
};
