#pragma once

#include "core/ReplyFields.h"

#include <QByteArray>

// The reply fields of the core, on Qt's byte arrays.
namespace Fields {

inline QByteArray cut(const QByteArray& reply, int firstPosition, int length)
{
    const std::string field = core::cutField(
        std::string(reply.constData(), std::size_t(reply.size())), firstPosition, length);
    return QByteArray(field.data(), qsizetype(field.size()));
}
inline QByteArray temperature(const QByteArray& reply)
{
    return cut(reply, 50, 5);
}
inline QByteArray weather(const QByteArray& reply)
{
    return cut(reply, 21, 15);
}

} // namespace Fields
