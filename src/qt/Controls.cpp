#include "qt/Controls.h"

#include "core/FontFit.h"
#include "core/PortChoice.h"
#include "core/WindowDesign.h"
#include "qt/Text.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <type_traits>

namespace qt {

namespace {

// The layout is given in twips; 15 twips make one device-independent pixel.
QRect pixels(const core::ControlDesign& design)
{
    return QRect(design.left / core::kTwipsPerPixel, design.top / core::kTwipsPerPixel,
                 design.width / core::kTwipsPerPixel, design.height / core::kTwipsPerPixel);
}

// A control as it was designed: its name, place and size, and its first text.
template <typename Widget> Widget* makeControl(QWidget& parent, const char* name)
{
    const core::ControlDesign& design = core::control(name);
    auto* widget = new Widget(&parent);
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

// What a control shows, as the font must fit it: a button's or label's own text.
QString shownText(const QWidget& control)
{
    if (const auto* button = qobject_cast<const QPushButton*>(&control))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return label->text();
    return {};
}

// The padding around a control's text that its frame takes, in pixels.
QSize framePadding(const QWidget& control)
{
    if (qobject_cast<const QPushButton*>(&control))
        return QSize(6, 4);
    if (qobject_cast<const QPlainTextEdit*>(&control))
        return QSize(6, 6);
    if (qobject_cast<const QLineEdit*>(&control))
        return QSize(8, 6);
    return QSize();
}

core::FontBox box(const QWidget& control, const std::vector<std::string>& lines)
{
    core::FontBox fitted;
    fitted.lines = lines;
    const QSize padding = framePadding(control);
    fitted.width = control.width();
    fitted.height = control.height();
    fitted.paddingWidth = padding.width();
    fitted.paddingHeight = padding.height();
    return fitted;
}

} // namespace

Controls Controls::create(QWidget& window)
{
    window.setObjectName(QStringLiteral("UiQuorvix"));
    window.setWindowTitle(text(core::kDesignCaption));
    QIcon icon(QStringLiteral(":/icons/uiquorvix-32.png"));
    icon.addFile(QStringLiteral(":/icons/uiquorvix-16.png"));
    window.setWindowIcon(icon);
    window.resize(core::kClientWidth / core::kTwipsPerPixel,
                  core::kClientHeight / core::kTwipsPerPixel);

    Controls c{};
    c.Command1 = makeControl<QPushButton>(window, "Command1");
    c.Text1 = makeControl<QPlainTextEdit>(window, "Text1");
    c.Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    c.Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    c.Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    c.Text1->setTabChangesFocus(true);
    c.Text1->document()->setDocumentMargin(1);
    c.Command2 = makeControl<QPushButton>(window, "Command2");
    c.Command3 = makeControl<QPushButton>(window, "Command3");
    c.CPort = makeControl<QLineEdit>(window, "CPort");
    c.VScroll1 = makeControl<QScrollBar>(window, "VScroll1");
    c.VScroll1->setOrientation(Qt::Vertical);
    c.VScroll1->setRange(core::kScrollMinimum, core::kScrollMaximum);
    c.VScroll1->setValue(core::kScrollFirstValue);
    c.VScroll1->setSingleStep(core::kScrollSmallStep);
    c.VScroll1->setPageStep(core::kScrollLargeStep);
    c.VScroll1->setFocusPolicy(Qt::StrongFocus);
    c.Label1 = makeControl<QLabel>(window, "Label1");
    c.Label2 = makeControl<QLabel>(window, "Label2");
    c.Label3 = makeControl<QLabel>(window, "Label3");
    c.Label4 = makeControl<QLabel>(window, "Label4");
    c.WXfile = makeControl<QLineEdit>(window, "WXfile");
    c.WXfile->setMaxLength(core::kPathBoxCharacters);
    c.Label7 = makeControl<QLabel>(window, "Label7");
    c.Label5 = makeControl<QLabel>(window, "Label5");
    c.Label6 = makeControl<QLabel>(window, "Label6");

    const QList<QWidget*> tabOrder{c.Command1, c.Text1,    c.Command2, c.Command3,
                                   c.CPort,    c.VScroll1, c.WXfile};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    return c;
}

// Every caption and text, as start-up leaves them, must be readable in full.
void Controls::fitFont(QWidget& window) const
{
    std::vector<core::FontBox> boxes;
    for (const core::ControlDesign& design : core::kControls) {
        const QWidget& control = *window.findChild<QWidget*>(QLatin1String(design.name));
        const std::vector<std::string> lines =
            core::textsToFit(design, shownText(control).toStdString());
        if (!lines.empty())
            boxes.push_back(box(control, lines));
    }
    QFont font = window.font();
    const double own = font.pointSizeF() > 0 ? font.pointSizeF() : core::kDesignFontPoints;
    const double points = core::largestFittingPoints(
        boxes, std::min(own, core::kDesignFontPoints), [&font](double size) {
            QFont sized = font;
            sized.setPointSizeF(size);
            const QFontMetrics metrics(sized);
            return core::TextMeasure{[metrics](const std::string& line) {
                                         return metrics.horizontalAdvance(qt::text(line));
                                     },
                                     metrics.height()};
        });
    font.setPointSizeF(points);
    window.setFont(font);
}

} // namespace qt
