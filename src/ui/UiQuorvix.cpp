#include "ui/UiQuorvix.h"

#include "core/Captions.h"
#include "core/ConfigValues.h"
#include "core/PortChoice.h"
#include "core/SampleCaptions.h"
#include "core/WindowDesign.h"
#include "settings/Module1.h"
#include "ui/FontFit.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <type_traits>

namespace {

// The layout is given in twips; 15 twips make one device-independent pixel.
QRect pixels(const core::ControlDesign& design)
{
    return QRect(design.left / core::kTwipsPerPixel, design.top / core::kTwipsPerPixel,
                 design.width / core::kTwipsPerPixel, design.height / core::kTwipsPerPixel);
}

const QString kWXPathName = QString::fromLatin1(core::kWXPath.name);
const QString kCPortName = QString::fromLatin1(core::kCPort.name);

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A control as it was designed: its name, place and size, and its first text.
template <typename Widget> Widget* makeControl(QWidget* parent, const char* name)
{
    const core::ControlDesign& design = core::control(name);
    auto* widget = new Widget(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(pixels(design));
    if constexpr (std::is_same_v<Widget, QPlainTextEdit>)
        widget->setPlainText(text(design.text));
    else if constexpr (!std::is_same_v<Widget, QScrollBar>)
        widget->setText(text(design.text));
    if constexpr (std::is_same_v<Widget, QLabel>)
        widget->setAlignment(
            (design.alignment == core::Alignment::Centre ? Qt::AlignHCenter : Qt::AlignLeft) |
            Qt::AlignTop);
    // Enter presses the button that has the focus, as the space bar does.
    if constexpr (std::is_same_v<Widget, QPushButton>)
        widget->setAutoDefault(true);
    return widget;
}

} // namespace

UiQuorvix::UiQuorvix(const Services& services, QWidget* parent)
    : QWidget(parent), MSComm1(*services.dosDevices), m_settings(*services.settings),
      m_tickIntervalMs(services.tickIntervalMs), m_exchange(MSComm1),
      m_sampler(m_exchange, *services.clock, *services.dosDevices, [this] { return m_weatherPath; })
{
    setObjectName(QStringLiteral("UiQuorvix"));
    createControls();
    m_exchange.setTimeout(services.replyTimeoutMs);

    connect(Command1, &QPushButton::clicked, this, &UiQuorvix::OnCommand1Click);
    connect(Command2, &QPushButton::clicked, this, &UiQuorvix::OnCommand2Click);
    connect(Command3, &QPushButton::clicked, this, &UiQuorvix::OnCommand3Click);
    connect(&Timer1, &QTimer::timeout, this, &UiQuorvix::OnTimer1Tick);
    connect(WXfile, &QLineEdit::textChanged, this, &UiQuorvix::OnWXfileChange);
    // The file is written to the path as it stood when editing last finished, never to a
    // half-typed one; each keystroke is still saved at once.
    connect(WXfile, &QLineEdit::editingFinished, this, [this] { m_weatherPath = WXfile->text(); });
    connect(CPort, &QLineEdit::textChanged, this, &UiQuorvix::OnCPortChange);
    connect(VScroll1, &QScrollBar::valueChanged, this, &UiQuorvix::OnVScroll1Change);
    connect(&m_sampler, &Sampler::status, this, [this](const QString& caption) {
        m_status.showReading(caption.toStdString());
        showStatus();
    });
    connect(&m_sampler, &Sampler::weatherTextComposed, this, &UiQuorvix::showWeatherText);
    // An unplugged adapter shows at once, not only at the next sample.
    connect(&MSComm1, &MSComm::lineLost, this,
            [this](const QString& message) { showMessage(message.toStdString()); });
}

UiQuorvix::~UiQuorvix() = default;

void UiQuorvix::createControls()
{
    setWindowTitle(text(core::kDesignCaption));
    QIcon icon(QStringLiteral(":/icons/uiquorvix-32.png"));
    icon.addFile(QStringLiteral(":/icons/uiquorvix-16.png"));
    setWindowIcon(icon);
    resize(core::kClientWidth / core::kTwipsPerPixel, core::kClientHeight / core::kTwipsPerPixel);

    Command1 = makeControl<QPushButton>(this, "Command1");
    Text1 = makeControl<QPlainTextEdit>(this, "Text1");
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setTabChangesFocus(true);
    Text1->document()->setDocumentMargin(1);
    Command2 = makeControl<QPushButton>(this, "Command2");
    Command3 = makeControl<QPushButton>(this, "Command3");
    CPort = makeControl<QLineEdit>(this, "CPort");
    VScroll1 = makeControl<QScrollBar>(this, "VScroll1");
    VScroll1->setOrientation(Qt::Vertical);
    VScroll1->setRange(core::kScrollMinimum, core::kScrollMaximum);
    VScroll1->setValue(core::kScrollFirstValue);
    VScroll1->setSingleStep(core::kScrollSmallStep);
    VScroll1->setPageStep(core::kScrollLargeStep);
    VScroll1->setFocusPolicy(Qt::StrongFocus);
    Label1 = makeControl<QLabel>(this, "Label1");
    Label2 = makeControl<QLabel>(this, "Label2");
    Label3 = makeControl<QLabel>(this, "Label3");
    Label4 = makeControl<QLabel>(this, "Label4");
    WXfile = makeControl<QLineEdit>(this, "WXfile");
    Label7 = makeControl<QLabel>(this, "Label7");
    Label5 = makeControl<QLabel>(this, "Label5");
    Label6 = makeControl<QLabel>(this, "Label6");

    const QList<QWidget*> tabOrder{Command1, Text1, Command2, Command3, CPort, VScroll1, WXfile};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    Timer1.setInterval(core::kTimerDesignIntervalMs);
    MSComm1.setObjectName(QStringLiteral("MSComm1"));
}

void UiQuorvix::OnLoad()
{
    Label2->setText(text(core::kTitleLine));
    Label3->setText(text(core::kVersionLine));
    Label4->setText(text(core::kCreditLine));

    QString path;
    QString port;
    const auto pathRead =
        m_settings.ReadConfigValue(kWXPathName, path, QLatin1String(core::kWXPath.defaultText));
    const auto portRead =
        m_settings.ReadConfigValue(kCPortName, port, QLatin1String(core::kCPort.defaultText));
    using Outcome = Module1::ReadResult::Outcome;
    std::vector<std::string> problems;
    if (pathRead.outcome == Outcome::Unreadable && portRead.outcome == Outcome::Unreadable &&
        pathRead.where == portRead.where) {
        problems.push_back(core::captions::cannotBeRead({core::kWXPath.name, core::kCPort.name},
                                                        pathRead.where.toStdString()));
    } else {
        if (pathRead.outcome == Outcome::Unreadable)
            problems.push_back(
                core::captions::cannotBeRead({core::kWXPath.name}, pathRead.where.toStdString()));
        if (portRead.outcome == Outcome::Unreadable)
            problems.push_back(
                core::captions::cannotBeRead({core::kCPort.name}, portRead.where.toStdString()));
    }
    // What the box cannot hold whole would be written back cut.
    const bool pathTooLong = path.size() > WXfile->maxLength();
    if (pathTooLong)
        problems.push_back(core::captions::pathLongerThanBox(std::size_t(path.size())));

    // A default that stands in for a line that cannot be read, or a path the box cuts, is
    // shown but not written back over what the file holds.
    {
        const QSignalBlocker keepPath(
            pathTooLong || pathRead.outcome == Outcome::Unreadable ? WXfile : nullptr);
        WXfile->setText(path);
    }
    m_weatherPath = path;
    {
        const QSignalBlocker keepPort(portRead.outcome == Outcome::Unreadable ? CPort : nullptr);
        CPort->setText(port);
    }

    // A stored port is taken as if it had been typed: one that names no port the arrows can
    // reach opens nothing, and no reading asks any port until the user chooses one.
    const core::PortChoice choice = core::choosePort(port.toStdString());
    if (choice.kind != core::PortChoice::Kind::Port) {
        if (MSComm1.PortOpen())
            MSComm1.setPortOpen(false);
        m_portChosen = false;
        problems.push_back(choice.kind == core::PortChoice::Kind::OutOfRange
                               ? core::captions::portOutOfRange()
                               : core::captions::storedPortNotANumber(port.toStdString()));
    } else {
        m_portChosen = true;
        if (!openPort(qint16(choice.port), false))
            problems.push_back(cannotBeOpened());
    }

    Timer1.setInterval(m_tickIntervalMs);
    const std::string caption =
        core::captions::startUp(problems, m_settingsUnsaved, m_settings.location().toStdString());
    if (problems.empty() && !m_settingsUnsaved)
        m_status.showState(false);
    else
        m_status.showMessage(caption);
    showStatus();

    fitFont();
}

// Every caption and text, as start-up leaves them, must be readable in full.
void UiQuorvix::fitFont()
{
    const QList<FontFit::Box> boxes = {
        {{Command1->text()}, Command1->size(), QSize(6, 4)},
        {{Command2->text()}, Command2->size(), QSize(6, 4)},
        {{Command3->text()}, Command3->size(), QSize(6, 4)},
        {{text(core::kWidestDateLine), text(core::kWidestWeatherField)},
         Text1->size(),
         QSize(6, 6)},
        {{Label1->text()}, Label1->size(), QSize()},
        {{Label2->text()}, Label2->size(), QSize()},
        {{Label3->text()}, Label3->size(), QSize()},
        {{Label4->text()}, Label4->size(), QSize()},
        {{Label5->text()}, Label5->size(), QSize()},
        {{Label6->text()}, Label6->size(), QSize()},
        {{Label7->text()}, Label7->size(), QSize()},
        {{text(core::kWidestPort)}, CPort->size(), QSize(8, 6)},
    };
    setFont(FontFit::largestFitting(font(), boxes, core::kDesignFontPoints));
}

void UiQuorvix::OnUnload()
{
    Timer1.stop();
    MSComm1.setPortOpen(false);
}

// Closes and reopens the line on a port, in the order the thermometer's line expects.
bool UiQuorvix::openPort(qint16 port, bool writeSettings)
{
    if (MSComm1.PortOpen())
        MSComm1.setPortOpen(false);
    MSComm1.setCommPort(port);
    if (writeSettings)
        MSComm1.setSettings(QString::fromLatin1(core::kPortLineSettings));
    const bool opened = MSComm1.setPortOpen(true);
    MSComm1.setDTREnable(true);
    MSComm1.setRTSEnable(true);
    return opened;
}

void UiQuorvix::OnWXfileChange()
{
    m_settingsUnsaved = !m_settings.WriteConfigValue(kWXPathName, WXfile->text());
    if (m_settingsUnsaved)
        showMessage(core::captions::pathNotSaved(m_settings.location().toStdString()));
}

void UiQuorvix::OnCPortChange()
{
    const core::PortChoice choice = core::choosePort(CPort->text().toStdString());
    if (choice.kind == core::PortChoice::Kind::NotANumber) {
        showMessage(core::captions::notAPortNumber(CPort->text().toStdString()));
        return;
    }
    if (choice.kind == core::PortChoice::Kind::OutOfRange) {
        showMessage(core::captions::portOutOfRange());
        return;
    }
    // Moving the scroll bar rewrites another form of the number ("03") as plain decimal, and
    // that rewrite runs this handler again, nested, before the rest of this call.
    VScroll1->setValue(choice.scrollValue);

    // What is saved and opened is the box's text after that rewrite: one number for all.
    const QString current = CPort->text();
    const core::PortChoice opened = core::choosePort(current.toStdString());
    m_settingsUnsaved = !m_settings.WriteConfigValue(kCPortName, current);
    if (m_settingsUnsaved)
        showMessage(core::captions::portNotSaved(m_settings.location().toStdString()));
    m_portChosen = true;
    if (!openPort(qint16(opened.port), true)) {
        showMessage(cannotBeOpened());
        return;
    }
    m_status.portOpened(Timer1.isActive(), m_settingsUnsaved);
    showStatus();
}

void UiQuorvix::OnVScroll1Change()
{
    // Setting the text runs OnCPortChange, which saves the port and opens it.
    CPort->setText(text(core::portText(VScroll1->value())));
}

void UiQuorvix::OnCommand1Click()
{
    if (askNoPort())
        return;
    m_sampler.oneShot();
}

void UiQuorvix::OnCommand2Click()
{
    // A second Start leaves the countdown running, so pressing it never delays a reading.
    if (!Timer1.isActive())
        Timer1.start();
    m_status.showState(true);
    showStatus();
}

void UiQuorvix::OnCommand3Click()
{
    Timer1.stop();
    m_status.showState(false);
    showStatus();
}

void UiQuorvix::OnTimer1Tick()
{
    if (askNoPort())
        return;
    m_sampler.tick();
}

// Without a port the user chose, a reading asks no port at all and says so.
bool UiQuorvix::askNoPort()
{
    if (m_portChosen)
        return false;
    showMessage(core::captions::noPortChosen());
    return true;
}

std::string UiQuorvix::cannotBeOpened() const
{
    return core::captions::cannotBeOpened(MSComm1.CommPort(), MSComm1.lastError().toStdString());
}

void UiQuorvix::showMessage(const std::string& message)
{
    m_status.showMessage(message);
    showStatus();
}

void UiQuorvix::showStatus()
{
    setWindowTitle(text(m_status.caption()));
}

void UiQuorvix::showWeatherText(const QString& text)
{
    // A text box shows a line break as "\n"; the file keeps its CR LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text1->setPlainText(shown);
}

void UiQuorvix::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        Command1->setFocus(Qt::OtherFocusReason);
}

void UiQuorvix::closeEvent(QCloseEvent* event)
{
    OnUnload();
    event->accept();
}
