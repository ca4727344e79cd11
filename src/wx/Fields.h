#pragma once

#include "core/ReplyFields.h"

#include <QByteArray>

// The reply fields of the core, on Qt's byte arrays.
namespace Fields {

inline QByteArray bytes(const std::string& field)
{
    return QByteArray(field.data(), qsizetype(field.size()));
}
inline QByteArray cut(const QByteArray& reply, int firstPosition, int length)
{
    return bytes(core::cutField(reply.toStdString(), firstPosition, length));
}
inline QByteArray temperature(const QByteArray& reply)
{
    return bytes(core::temperatureField(reply.toStdString()));
}
inline QByteArray weather(const QByteArray& reply)
{
    return bytes(core::weatherField(reply.toStdString()));
}

} // namespace Fields
