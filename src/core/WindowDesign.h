#pragma once

#include <string>
#include <string_view>
#include <vector>

// The one window as it was designed: every control's kind, first text and place, in tab
// order; the texts start-up puts in; the timer's intervals; the font it was drawn for. Places
// and sizes are in twips, 15 to a pixel at 96 DPI, from the client area's top-left corner.
namespace core {

enum class ControlKind
{
    PushButton,
    MultiLineText,
    SingleLineText,
    ScrollBar,
    Label,
};

enum class Alignment
{
    Left,
    Centre,
};

struct ControlDesign
{
    const char* name;
    ControlKind kind;
    const char* text;
    int left;
    int top;
    int width;
    int height;
    Alignment alignment;
};

constexpr int kTwipsPerPixel = 15;
constexpr int kClientWidth = 4680;
constexpr int kClientHeight = 2520;
constexpr const char* kDesignCaption = "Form1";

constexpr int kControlCount = 14;
// In tab order; the labels take no focus.
extern const ControlDesign kControls[kControlCount];
// The control of that name; the program names only controls it has.
const ControlDesign& control(std::string_view name);

// What start-up writes into the title, version and credit lines.
constexpr const char* kTitleLine = "UiView Quorvix Thermometer";
constexpr const char* kVersionLine = "v0.1";
constexpr const char* kCreditLine = "created by Zelmorix";

// The path box holds at most this many UTF-16 characters, on both platforms.
constexpr int kPathBoxCharacters = 32767;

// The window was laid out for this font size; a smaller one is taken only where a text would
// not fit its control. The weather text and port number that must fit, at their widest:
constexpr double kDesignFontPoints = 8.0;
constexpr const char* kWidestDateLine = "Sep 30 2026 23:59";
constexpr const char* kWidestWeatherField = "000/000g000t070";
constexpr const char* kWidestPort = "000";

// The lines a control must show in full at the font the window takes: a button's or label's
// own text as it stands, the widest weather text, the widest port; none for the others.
std::vector<std::string> textsToFit(const ControlDesign& design, const std::string& shownText);

} // namespace core
