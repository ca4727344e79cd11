#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>

namespace {

void say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// The yardstick for the program's start-up and memory: a window that does nothing, the size
// of the program's window, so both draw into backing stores of the same size. With --text it
// holds one line of text, which makes Qt load the system's fonts before the window is shown:
// that shows how much of the program's start-up any window with words on it pays.
class BareWindow : public QWidget
{
public:
    BareWindow(bool reportMemory, bool withText) : m_reportMemory(reportMemory)
    {
        resize(312, 168);
        if (withText) {
            auto* label = new QLabel(QStringLiteral("UiView Quorvix Thermometer"), this);
            label->adjustSize();
        }
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QWidget::paintEvent(event);
        if (m_reportMemory && !m_painted)
            QTimer::singleShot(0, this, &BareWindow::reportMemory);
        m_painted = true;
    }

private:
    static void reportMemory()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        QByteArray rss = "?";
        QByteArray peak = "?";
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                const QByteArray value = line.mid(line.indexOf(':') + 1).simplified();
                if (line.startsWith("VmRSS:"))
                    rss = value.split(' ').value(0);
                else if (line.startsWith("VmHWM:"))
                    peak = value.split(' ').value(0);
            }
        }
        say(("painted rss=" + rss + " peak=" + peak).constData());
    }

    bool m_reportMemory;
    bool m_painted = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const auto given = [&](const char* option) {
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
        return false;
    };
    BareWindow window(given("--memory"), given("--text"));
    say("constructed");
    window.show();
    say("shown");
    return app.exec();
}
