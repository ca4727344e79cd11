#include "wx/Fields.h"

namespace Fields {

QByteArray cut(const QByteArray& reply, int firstPosition, int length)
{
    const qsizetype start = firstPosition - 1;
    if (start < 0 || length <= 0 || start >= reply.size())
        return {};
    return reply.mid(start, length);
}

} // namespace Fields
