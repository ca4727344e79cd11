#include "qt/CaptionTrace.h"

#include <QWidget>
#include <cstdio>

namespace qt::captionTrace {

void follow(QWidget& window)
{
    if (qEnvironmentVariableIsEmpty("UIQ_REPORT_CAPTION"))
        return;
    auto print = [](const QString& caption) {
        std::printf("caption %s\n", caption.toUtf8().constData());
        std::fflush(stdout);
    };
    print(window.windowTitle());
    QObject::connect(&window, &QWidget::windowTitleChanged, &window, print);
}

} // namespace qt::captionTrace
