#include "wx/Fields.h"

namespace Fields {

QByteArray cut(const QByteArray& reply, int firstPosition, int length)
{
    // Widened before the subtraction: position INT_MIN would overflow an int.
    const qsizetype start = qsizetype(firstPosition) - 1;
    if (start < 0 || length <= 0 || start >= reply.size())
        return {};
    return reply.mid(start, length);
}

} // namespace Fields
