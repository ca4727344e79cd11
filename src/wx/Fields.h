#pragma once

#include <QByteArray>

// The fields of a thermometer reply, addressed by 1-based character position. A reply that
// ends inside a field yields what is there; one that ends before it yields nothing.
namespace Fields {

QByteArray cut(const QByteArray& reply, int firstPosition, int length);

inline QByteArray temperature(const QByteArray& reply)
{
    return cut(reply, 50, 5);
}
inline QByteArray weather(const QByteArray& reply)
{
    return cut(reply, 21, 15);
}

} // namespace Fields
