#include "qt/Window.h"

#include "qt/Text.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

namespace qt {

Window::Window(const Services& services, QWidget* parent)
    : QWidget(parent), Controls(Controls::create(*this)), m_clock(services.clock),
      m_serialPort(services.dosDevices), m_weatherWriter(services.dosDevices),
      m_session(core::Platform{m_serialPort, services.settings, m_weatherWriter, services.record,
                               services.clock, *this, *this},
                services.times)
{
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_wake, &QTimer::timeout, this, [this] { m_session.wake(); });
    m_serialPort.onData([this](std::string_view bytes) { m_session.lineData(bytes); });
    m_serialPort.onLost([this](const std::string& reason) { m_session.lineLost(reason); });
    wireControls();
}

Window::~Window() = default;

void Window::wireControls()
{
    connect(Command1, &QPushButton::clicked, this, [this] { m_session.oneShotClicked(); });
    connect(Command2, &QPushButton::clicked, this, [this] { m_session.startClicked(); });
    connect(Command3, &QPushButton::clicked, this, [this] { m_session.stopClicked(); });
    connect(WXfile, &QLineEdit::textChanged, this,
            [this](const QString& path) { m_session.pathEdited(path.toStdString()); });
    connect(WXfile, &QLineEdit::editingFinished, this, [this] { m_session.pathEditFinished(); });
    connect(CPort, &QLineEdit::textChanged, this,
            [this](const QString& port) { m_session.portEdited(port.toStdString()); });
    connect(VScroll1, &QScrollBar::valueChanged, this,
            [this](int value) { m_session.scrollMoved(value); });
    VScroll1->installEventFilter(this);
}

void Window::load()
{
    m_session.load();
    fitFont(*this);
}

void Window::showCaption(const std::string& caption)
{
    setWindowTitle(text(caption));
}

void Window::showText(TextControl control, const std::string& value)
{
    switch (control) {
    case TextControl::Text1: {
        // A text box shows a line break as "\n"; the file keeps its CR LF.
        QString shown = text(value);
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        Text1->setPlainText(shown);
        break;
    }
    case TextControl::CPort: {
        const QSignalBlocker quiet(CPort);
        CPort->setText(text(value));
        break;
    }
    case TextControl::WXfile: {
        const QSignalBlocker quiet(WXfile);
        WXfile->setText(text(value));
        break;
    }
    case TextControl::Label2:
        Label2->setText(text(value));
        break;
    case TextControl::Label3:
        Label3->setText(text(value));
        break;
    case TextControl::Label4:
        Label4->setText(text(value));
        break;
    }
}

void Window::showScrollValue(int value)
{
    const QSignalBlocker quiet(VScroll1);
    VScroll1->setValue(value);
}

void Window::noteReading(core::ExchangeForm form, bool wroteFile)
{
    emit readingTaken(form, wroteFile);
}

void Window::wakeAt(std::optional<core::ExchangeTime> when)
{
    if (!when) {
        m_wake.stop();
        return;
    }
    // Rounded up, so the wake-up never comes before its time.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*when - m_clock.now());
    m_wake.start(std::max(wait, std::chrono::milliseconds(0)));
}

// The wheel over the scroll bar is the session's: Qt would step by several lines and skip ports.
bool Window::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != VScroll1 || event->type() != QEvent::Wheel)
        return QWidget::eventFilter(watched, event);
    m_session.wheelTurned(static_cast<QWheelEvent*>(event)->angleDelta().y());
    return true;
}

void Window::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        Command1->setFocus(Qt::OtherFocusReason);
}

void Window::closeEvent(QCloseEvent* event)
{
    m_session.unload();
    event->accept();
}

} // namespace qt
