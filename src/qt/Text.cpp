#include "qt/Text.h"

#include <QStringDecoder>

namespace qt {

QString text(std::string_view utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless |
                                                     QStringConverter::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(utf8.data(), qsizetype(utf8.size())));
}

} // namespace qt
