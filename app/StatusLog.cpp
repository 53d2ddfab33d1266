#include "app/StatusLog.h"

namespace {

StatusLog::Sink& CurrentSink()
{
    static StatusLog::Sink sink;
    return sink;
}

} // namespace

void StatusLog::AddLine(const std::wstring& colour, const std::wstring& text)
{
    if (CurrentSink())
        CurrentSink()(colour, text);
}

void StatusLog::SetSink(Sink sink)
{
    CurrentSink() = std::move(sink);
}
