#include "DispatchObject.h"

#include "ComponentError.h"

namespace veilcraft::component {

EventConnection::EventConnection(ComPtr<IEventSource> source, std::uint32_t cookie)
    : source_(std::move(source)), cookie_(cookie)
{
}

EventConnection::EventConnection(EventConnection&& other) noexcept
    : source_(std::move(other.source_)), cookie_(other.cookie_)
{
}

EventConnection& EventConnection::operator=(EventConnection&& other) noexcept
{
    if (this != &other) {
        disconnect();
        source_ = std::move(other.source_);
        cookie_ = other.cookie_;
    }
    return *this;
}

EventConnection::~EventConnection()
{
    disconnect();
}

void EventConnection::disconnect()
{
    if (source_)
        source_->Unadvise(cookie_);
    source_.reset();
}

std::optional<DISPID> DispatchObject::idOf(const std::string& name)
{
    DISPID id = 0;
    lastStatus_ = object_ ? object_->GetIDsOfNames(name, &id) : E_POINTER;
    if (failed(lastStatus_))
        return std::nullopt;
    return id;
}

Variant DispatchObject::invoke(DISPID id, DispatchKind kind, const std::vector<Variant>& arguments)
{
    lastException_ = {};
    Variant result;
    lastStatus_ = object_ ? object_->Invoke(id, kind, arguments, &result, &lastException_) : E_POINTER;
    return failed(lastStatus_) ? Variant() : result;
}

Variant DispatchObject::call(DISPID id, const std::vector<Variant>& arguments)
{
    return invoke(id, DispatchKind::Method, arguments);
}

Variant DispatchObject::get(DISPID id)
{
    return invoke(id, DispatchKind::PropertyGet, {});
}

bool DispatchObject::put(DISPID id, const Variant& value)
{
    invoke(id, DispatchKind::PropertyPut, {value});
    return succeeded(lastStatus_);
}

EventConnection DispatchObject::advise(const Guid& eventIid, IEventSink& sink)
{
    HRESULT hr = S_OK;
    auto source = object_.query<IEventSource>(IID_IEventSource, &hr);
    std::uint32_t cookie = 0;
    if (source)
        hr = source->Advise(eventIid, &sink, &cookie);
    if (!source || failed(hr))
        throw ComponentError(failed(hr) ? hr : E_NOINTERFACE,
                             "The control offers no events " + eventIid.toString() + ": " + describeStatus(hr));
    return {std::move(source), cookie};
}

}  // namespace veilcraft::component
