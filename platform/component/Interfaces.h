#pragma once

// The contract between a host and an in-process control, a small and real
// stand-in for the Windows component model:
//
//  - A control library exports the four C entry points declared at the end
//    (DllGetClassObject, DllCanUnloadNow, DllRegisterServer,
//    DllUnregisterServer). The host finds the library through the registry
//    store (ComponentRegistry), loads it with dlopen and asks it for a class
//    factory, which creates instances.
//  - Objects are reference counted (AddRef/Release) and hand out their
//    interfaces through QueryInterface, by interface identifier.
//  - Methods and properties are reached late-bound through IDispatch, by
//    dispatch identifier, with Variant arguments; every string is copied.
//  - Events go from the control to the host's IEventSink objects, which the
//    host connects with IEventSource::Advise. The control's error
//    notification goes the same way (IEventSink::OnError); when no handler
//    sets cancelDisplay, the control asks its site to show the description in
//    a message box.
//  - The host gives every control a site (IControlSite) before anything
//    else. Events and error notifications raised on another thread reach the
//    host through IControlSite::PostToHostThread, in the order they were
//    raised, so a host touches its user interface only from its own thread.
//
// Threads: the host calls a control from one thread, the one that created it.
// A control may run work on threads of its own; it then calls its site only
// through PostToHostThread (which must be safe to call from any thread).

#include "ComTypes.h"
#include "Variant.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace veilcraft::component {

inline constexpr Guid IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr Guid IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr Guid IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr Guid IID_IEventSource{0x6B1E3C20, 0x4F7A, 0x4D0E, {0x9A, 0x51, 0x2E, 0x7C, 0x10, 0x33, 0x58, 0x01}};
inline constexpr Guid IID_IOleControl{0x6B1E3C20, 0x4F7A, 0x4D0E, {0x9A, 0x51, 0x2E, 0x7C, 0x10, 0x33, 0x58, 0x02}};
inline constexpr Guid IID_IPersistState{0x6B1E3C20, 0x4F7A, 0x4D0E, {0x9A, 0x51, 0x2E, 0x7C, 0x10, 0x33, 0x58, 0x03}};

class IUnknown {
public:
    virtual HRESULT QueryInterface(const Guid& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

enum class DispatchKind { Method, PropertyGet, PropertyPut };

using DISPID = std::int32_t;

// What a failed Invoke tells beyond its status code.
struct ExcepInfo {
    std::int32_t number = 0;
    std::string source;
    std::string description;
    HRESULT scode = S_OK;
};

class IDispatch : public IUnknown {
public:
    // The dispatch identifier of a member name (case-insensitive).
    virtual HRESULT GetIDsOfNames(const std::string& name, DISPID* id) = 0;
    // Calls a method, reads a property (no arguments) or writes one (one
    // argument). `result` may be null when the caller does not want it.
    // Argument count or type errors give DISP_E_BADPARAMCOUNT or
    // DISP_E_TYPEMISMATCH; a write to a read-only property CTL_E_SETNOTSUPPORTED.
    virtual HRESULT Invoke(DISPID id, DispatchKind kind, const std::vector<Variant>& arguments, Variant* result,
                           ExcepInfo* exception) = 0;

protected:
    ~IDispatch() = default;
};

class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** object) = 0;
    virtual HRESULT LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

// The control's error notification: the host may set cancelDisplay to keep
// the control from showing the description in a message box.
struct ErrorNotification {
    std::int16_t number = 0;  // low 16 bits of scode
    std::string description;
    HRESULT scode = S_OK;
    std::string source;
    std::string helpFile;
    std::int32_t helpContext = 0;
    bool cancelDisplay = false;
};

// Implemented by the host for a control's events. Called on the host's thread.
class IEventSink {
public:
    virtual void OnEvent(DISPID id, const std::vector<Variant>& arguments) = 0;
    virtual void OnError(ErrorNotification& error) = 0;

protected:
    ~IEventSink() = default;
};

class IEventSource : public IUnknown {
public:
    // Connects a sink to the control's event interface `eventIid`; the
    // cookie disconnects it again. The control does not own the sink.
    virtual HRESULT Advise(const Guid& eventIid, IEventSink* sink, std::uint32_t* cookie) = 0;
    virtual HRESULT Unadvise(std::uint32_t cookie) = 0;

protected:
    ~IEventSource() = default;
};

// Implemented by the host for each control it places.
class IControlSite {
public:
    // Runs `task` on the host's thread after the tasks posted before it.
    // Safe to call from any thread; on the host's thread the task may also
    // run later, never inside this call.
    virtual void PostToHostThread(std::function<void()> task) = 0;
    // True on the host's thread.
    [[nodiscard]] virtual bool IsHostThread() const = 0;
    // The default display of an error notification nobody cancelled: a
    // message box with the description. Called on the host's thread.
    virtual void ShowErrorMessage(const std::string& description, const std::string& source) = 0;
    // Whether the control's work in hand should go on: false once the user
    // asked to stop it. The control asks between entries and between chunks
    // of one entry, from whichever thread runs the work, so it must be cheap
    // and safe to call from any thread. A stopped operation leaves nothing
    // half written behind and returns false without a notification.
    [[nodiscard]] virtual bool ContinueWork() = 0;
    // Told after each file a long operation handled (extracting a whole
    // archive): how many so far and the last one's stored name. Called like
    // ContinueWork, from whichever thread runs the work, so it must be cheap.
    virtual void WorkProgress(std::uint64_t filesDone, const std::string& name) = 0;

protected:
    ~IControlSite() = default;
};

// The site is given with IOleControl::SetClientSite right after creation.
class IOleControl : public IUnknown {
public:
    virtual HRESULT SetClientSite(IControlSite* site) = 0;

protected:
    ~IOleControl() = default;
};

// The control's saved state, as its host stores it: a version and named values.
struct SavedState {
    std::uint32_t version = 0;
    std::vector<std::pair<std::string, Variant>> values;
};

class IPersistState : public IUnknown {
public:
    virtual HRESULT Load(const SavedState& state) = 0;
    virtual HRESULT Save(SavedState& state) = 0;
    // Resets the state to what a fresh control has, keeping what the control
    // keeps on reset.
    virtual HRESULT InitNew() = 0;
    // True when a property was written since the last Load/Save.
    [[nodiscard]] virtual bool IsDirty() const = 0;

protected:
    ~IPersistState() = default;
};

}  // namespace veilcraft::component

// The entry points every control library exports. A library built with
// hidden visibility marks their definitions with VEILCRAFT_COMPONENT_EXPORT:
//   VEILCRAFT_COMPONENT_EXPORT veilcraft::component::HRESULT DllRegisterServer() { ... }
#define VEILCRAFT_COMPONENT_EXPORT extern "C" __attribute__((visibility("default")))

extern "C" {
using DllGetClassObjectFn = veilcraft::component::HRESULT (*)(const veilcraft::component::Guid* clsid,
                                                                const veilcraft::component::Guid* iid,
                                                                void** object);
using DllCanUnloadNowFn = veilcraft::component::HRESULT (*)();
using DllRegisterServerFn = veilcraft::component::HRESULT (*)();
using DllUnregisterServerFn = veilcraft::component::HRESULT (*)();
}
