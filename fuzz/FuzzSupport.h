#pragma once

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

// A broken invariant must stop the run loudly so libFuzzer saves the input that broke it.
#define UIQ_CHECK(condition)                                                                       \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "invariant broken at %s:%d: %s\n", __FILE__, __LINE__,            \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace FuzzSupport {

// Qt objects that use signals, timers or settings expect an application object; the fuzzer's
// own arguments keep it alive for the whole run. Settings need the program's own kind, a
// widgets application: a stored value may name a Gui type (a bitmap, an image), and making
// one without a Gui application is fatal, where in the program it is not.
inline void startApplication(int* argc, char*** argv, bool widgets = false)
{
    if (widgets && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QCoreApplication* application =
        widgets ? new QApplication(*argc, *argv) : new QCoreApplication(*argc, *argv);
    Q_UNUSED(application);
    // Qt warns about every malformed input, which is what a fuzzer feeds it all day; the
    // printing alone would cost most of the run. Fatal messages still stop it.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
}

// One scratch folder per run, removed when the run ends normally; a crash leaves it for
// whoever looks at the crash.
inline const QString& scratchFolder()
{
    static const QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/uiq-fuzz-XXXXXX"));
    UIQ_CHECK(folder.isValid());
    static const QString path = folder.path();
    return path;
}

// Takes fixed-size values off the front of the input; a short input reads as zeros so every
// input, even an empty one, is usable.
class Reader
{
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    template <typename T> T take()
    {
        static_assert(std::is_trivially_copyable_v<T>);
        T value{};
        const std::size_t n = m_size < sizeof(T) ? m_size : sizeof(T);
        if (n > 0)
            std::memcpy(&value, m_data, n);
        m_data += n;
        m_size -= n;
        return value;
    }

    QByteArray rest() const
    {
        return QByteArray(reinterpret_cast<const char*>(m_data), qsizetype(m_size));
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

} // namespace FuzzSupport
