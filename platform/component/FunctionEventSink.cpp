#include "FunctionEventSink.h"

namespace veilcraft::component {

FunctionEventSink& FunctionEventSink::on(DISPID id, EventHandler handler)
{
    handlers_[id] = std::move(handler);
    return *this;
}

FunctionEventSink& FunctionEventSink::onError(ErrorHandler handler)
{
    errorHandler_ = std::move(handler);
    return *this;
}

void FunctionEventSink::OnEvent(DISPID id, const std::vector<Variant>& arguments)
{
    if (const auto handler = handlers_.find(id); handler != handlers_.end() && handler->second)
        handler->second(arguments);
}

void FunctionEventSink::OnError(ErrorNotification& error)
{
    if (errorHandler_)
        errorHandler_(error);
}

}  // namespace veilcraft::component
