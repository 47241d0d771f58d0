#pragma once

#include "Interfaces.h"

#include <functional>
#include <map>

namespace veilcraft::component {

// An event sink whose handlers are functions, one per event identifier, and
// one for the error notification. Events without a handler are ignored; an
// error notification without a handler is left for the control's default
// display. Keep it alive while connected (see EventConnection).
class FunctionEventSink final : public IEventSink {
public:
    using EventHandler = std::function<void(const std::vector<Variant>& arguments)>;
    using ErrorHandler = std::function<void(ErrorNotification& error)>;

    FunctionEventSink& on(DISPID id, EventHandler handler);
    FunctionEventSink& onError(ErrorHandler handler);

    void OnEvent(DISPID id, const std::vector<Variant>& arguments) override;
    void OnError(ErrorNotification& error) override;

private:
    std::map<DISPID, EventHandler> handlers_;
    ErrorHandler errorHandler_;
};

}  // namespace veilcraft::component
