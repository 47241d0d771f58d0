#pragma once

#include "ComPtr.h"
#include "Interfaces.h"

#include <optional>
#include <string>
#include <vector>

namespace veilcraft::component {

// Keeps an event sink connected to a control and disconnects it when it goes
// (before the sink it refers to, when declared after it).
class EventConnection {
public:
    EventConnection() = default;
    EventConnection(ComPtr<IEventSource> source, std::uint32_t cookie);
    EventConnection(EventConnection&& other) noexcept;
    EventConnection& operator=(EventConnection&& other) noexcept;
    ~EventConnection();

    void disconnect();
    [[nodiscard]] bool connected() const { return static_cast<bool>(source_); }

private:
    ComPtr<IEventSource> source_;
    std::uint32_t cookie_ = 0;
};

// The host's side of a dispatch interface: calls by dispatch identifier with
// the status and error details of the last call kept for the caller. Used
// from the thread that created the control.
class DispatchObject {
public:
    DispatchObject() = default;
    explicit DispatchObject(ComPtr<IDispatch> object) : object_(std::move(object)) {}

    // The member's dispatch identifier, or nothing when the name is unknown.
    [[nodiscard]] std::optional<DISPID> idOf(const std::string& name);
    // A method's result, a property's value; an empty Variant when the call
    // failed (see lastStatus() and lastException()).
    Variant call(DISPID id, const std::vector<Variant>& arguments = {});
    Variant get(DISPID id);
    bool put(DISPID id, const Variant& value);

    [[nodiscard]] HRESULT lastStatus() const { return lastStatus_; }
    [[nodiscard]] const ExcepInfo& lastException() const { return lastException_; }

    // Connects `sink` to the event interface `eventIid`; throws
    // ComponentError when the control has no such events.
    [[nodiscard]] EventConnection advise(const Guid& eventIid, IEventSink& sink);

    [[nodiscard]] const ComPtr<IDispatch>& object() const { return object_; }
    explicit operator bool() const { return static_cast<bool>(object_); }
    void reset() { object_.reset(); }

private:
    Variant invoke(DISPID id, DispatchKind kind, const std::vector<Variant>& arguments);

    ComPtr<IDispatch> object_;
    HRESULT lastStatus_ = S_OK;
    ExcepInfo lastException_;
};

}  // namespace veilcraft::component
