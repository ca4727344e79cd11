#include "core/StatusLine.h"

#include "core/Captions.h"

namespace core {

void StatusLine::showState(bool started)
{
    m_isMessage = false;
    m_caption = started ? captions::started() : captions::stopped();
}

void StatusLine::showReading(const std::string& caption)
{
    m_isMessage = false;
    m_caption = caption;
}

void StatusLine::showMessage(const std::string& message)
{
    m_isMessage = true;
    m_caption = message;
}

void StatusLine::portOpened(bool started, bool settingsUnsaved)
{
    if (m_isMessage && !settingsUnsaved)
        showState(started);
}

} // namespace core
