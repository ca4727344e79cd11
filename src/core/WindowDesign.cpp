#include "core/WindowDesign.h"

namespace core {

const ControlDesign kControls[kControlCount] = {
    {"Command1", ControlKind::PushButton, "OneShot", 1560, 120, 975, 375, Alignment::Centre},
    {"Text1", ControlKind::MultiLineText, "Text1", 2760, 120, 1695, 495, Alignment::Left},
    {"Command2", ControlKind::PushButton, "Start", 240, 120, 495, 375, Alignment::Centre},
    {"Command3", ControlKind::PushButton, "Stop", 840, 120, 495, 375, Alignment::Centre},
    {"CPort", ControlKind::SingleLineText, "1", 1200, 720, 495, 375, Alignment::Left},
    {"VScroll1", ControlKind::ScrollBar, "", 1680, 720, 375, 375, Alignment::Left},
    {"Label1", ControlKind::Label, "ComPort", 360, 720, 735, 255, Alignment::Left},
    {"Label2", ControlKind::Label, "Label2", 240, 1800, 4215, 195, Alignment::Centre},
    {"Label3", ControlKind::Label, "Label3", 240, 2040, 4215, 195, Alignment::Centre},
    {"Label4", ControlKind::Label, "Label4", 120, 2280, 4455, 195, Alignment::Centre},
    {"WXfile", ControlKind::SingleLineText, "D:\\Program Files\\Peak Systems\\UI-View32\\Wxprs.txt",
     120, 1320, 4455, 375, Alignment::Left},
    {"Label7", ControlKind::Label, "WX file path", 120, 1080, 975, 255, Alignment::Left},
    {"Label5", ControlKind::Label, "Fixed sample rate", 2880, 720, 1335, 255, Alignment::Centre},
    {"Label6", ControlKind::Label, "display 1 per 10s, file 1 per min", 2160, 960, 2415, 255,
     Alignment::Centre},
};

std::vector<std::string> textsToFit(const ControlDesign& design, const std::string& shownText)
{
    if (std::string_view(design.name) == "Text1")
        return {kWidestDateLine, kWidestWeatherField};
    if (std::string_view(design.name) == "CPort")
        return {kWidestPort};
    if (design.kind == ControlKind::PushButton || design.kind == ControlKind::Label)
        return {shownText};
    return {};
}

const ControlDesign& control(std::string_view name)
{
    for (const ControlDesign& design : kControls) {
        if (name == design.name)
            return design;
    }
    return kControls[0];
}

} // namespace core
