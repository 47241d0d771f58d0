#pragma once

// The framework's base class for in-process controls. A control derives from
// ControlBase, describes its dispatch interface once in its constructor with
// addProperty / addMethod, and exchanges its persisted properties in
// DoPropExchange. The base then provides:
//
//  - IUnknown with an atomic reference count; QueryInterface hands out
//    IUnknown, IDispatch, IEventSource, IOleControl and IPersistState.
//  - IDispatch from the member table: GetIDsOfNames ignores letter case;
//    Invoke checks the kind, the argument count (DISP_E_BADPARAMCOUNT) and
//    converts every argument to its declared type (DISP_E_TYPEMISMATCH), so
//    the callbacks always see values of the declared types; writes to a
//    read-only property are refused with CTL_E_SETNOTSUPPORTED. An exception
//    from a callback never crosses the interface: it becomes DISP_E_EXCEPTION.
//  - IEventSource for the control's one event interface, and FireEvent /
//    FireError, which may be called from any thread. On the host's thread
//    they deliver at once; from any other thread they go through the site's
//    PostToHostThread, so the host's sinks always run on the host's thread,
//    in the order the notifications were raised there. A notification that
//    is still queued keeps the control alive; one raised while the control
//    is being destroyed is dropped (its host has let go of it).
//  - IOleControl (the site) and IPersistState (Load / Save / InitNew through
//    DoPropExchange, the modified flag).
//  - The module's lock count for DllCanUnloadNow: every live object of the
//    library and every LockServer(true) keeps the library loaded.
//
// Threads: everything except FireEvent, FireError and the reference count is
// called on the host's thread, the one that created the control.

#include "ComTypes.h"
#include "Interfaces.h"
#include "Variant.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace veilcraft::component {

// The library-wide count of live objects and server locks.
class ModuleLock {
public:
    static void lock() { count().fetch_add(1, std::memory_order_relaxed); }
    static void unlock() { count().fetch_sub(1, std::memory_order_acq_rel); }
    [[nodiscard]] static bool canUnload() { return count().load(std::memory_order_acquire) == 0; }

private:
    static std::atomic<long>& count();
};

// Reads or writes the persisted properties, in the order DoPropExchange
// names them.
class PropExchange {
public:
    // Loading: values are taken from `state`; saving: they are appended to it.
    PropExchange(SavedState& state, bool loading) : state_(state), loading_(loading) {}

    [[nodiscard]] bool isLoading() const { return loading_; }
    // On load a value that is missing or cannot be converted leaves `value` as it is.
    void exchangeBool(const std::string& name, bool& value);

private:
    SavedState& state_;
    bool loading_;
};

class ControlBase : public IDispatch, public IEventSource, public IOleControl, public IPersistState {
public:
    // `eventInterface`: the one event interface sinks connect to;
    // `stateVersion`: written by Save; `source`: the application name that
    // exceptions of Invoke carry.
    ControlBase(const Guid& eventInterface, std::uint32_t stateVersion, std::string source);
    virtual ~ControlBase();
    ControlBase(const ControlBase&) = delete;
    ControlBase& operator=(const ControlBase&) = delete;

    // IUnknown
    HRESULT QueryInterface(const Guid& iid, void** object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    // IDispatch
    HRESULT GetIDsOfNames(const std::string& name, DISPID* id) override;
    HRESULT Invoke(DISPID id, DispatchKind kind, const std::vector<Variant>& arguments, Variant* result,
                   ExcepInfo* exception) override;

    // IEventSource
    HRESULT Advise(const Guid& eventIid, IEventSink* sink, std::uint32_t* cookie) override;
    HRESULT Unadvise(std::uint32_t cookie) override;

    // IOleControl
    HRESULT SetClientSite(IControlSite* site) override;

    // IPersistState
    HRESULT Load(const SavedState& state) override;
    HRESULT Save(SavedState& state) override;
    HRESULT InitNew() override;
    [[nodiscard]] bool IsDirty() const override { return modified_.load(); }

protected:
    using Getter = std::function<Variant()>;
    using Setter = std::function<void(const Variant&)>;
    using Method = std::function<Variant(const std::vector<Variant>&)>;

    // A property of the given type; without a setter it is read-only.
    void addProperty(DISPID id, std::string name, Variant::Type type, Getter get, Setter set = {});
    // A method with its parameter types and the type of its result.
    void addMethod(DISPID id, std::string name, Variant::Type resultType, std::vector<Variant::Type> parameters,
                   Method call);

    // Events and errors; callable from any thread.
    void FireEvent(DISPID id, std::vector<Variant> arguments);
    // Raises the error notification (number = low 16 bits of scode). When no
    // sink sets cancelDisplay, the site shows the description.
    void FireError(HRESULT scode, const std::string& description, const std::string& source);

    void SetModifiedFlag(bool modified = true) { modified_.store(modified); }
    [[nodiscard]] bool IsHostThread() const;

    // The persisted properties, in their order; used by Load and Save.
    virtual void DoPropExchange(PropExchange& exchange) = 0;
    // InitNew: brings the state to that of a fresh control. The default keeps everything.
    virtual void OnResetState() {}

private:
    struct Member {
        DISPID id;
        std::string name;
        bool isMethod;
        Variant::Type type; // of the property, or of the method's result
        std::vector<Variant::Type> parameters;
        Getter get;
        Setter set;
        Method call;
    };
    struct Connection {
        std::uint32_t cookie;
        IEventSink* sink;
    };

    [[nodiscard]] const Member* findMember(DISPID id) const;
    // AddRef unless the count has already reached zero (the control is going).
    [[nodiscard]] bool tryAddRef();
    void deliverEvent(DISPID id, const std::vector<Variant>& arguments);
    void deliverError(ErrorNotification notification);
    // Runs `task` on the host's thread: now when this is it, else posted with
    // a reference that keeps the control alive until the task has run.
    void onHostThread(std::function<void()> task);

    std::atomic<std::uint32_t> references_{1};
    std::atomic<bool> modified_{false};
    std::atomic<IControlSite*> site_{nullptr};
    const std::thread::id creator_ = std::this_thread::get_id();
    const Guid eventInterface_;
    const std::uint32_t stateVersion_;
    const std::string source_;
    std::vector<Member> members_;
    std::vector<Connection> connections_; // host thread only
    std::uint32_t nextCookie_ = 1;
};

// The class factory of a control class T (default-constructible, derived
// from ControlBase). Objects start with one reference, owned by the caller
// of `new`.
template <class T> class ClassFactory final : public IClassFactory {
public:
    ClassFactory() { ModuleLock::lock(); }

    HRESULT QueryInterface(const Guid& iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory)
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    std::uint32_t AddRef() override { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }
    std::uint32_t Release() override
    {
        const std::uint32_t left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        T* instance = nullptr;
        try {
            instance = new T();
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;
        }
        const HRESULT hr = instance->QueryInterface(iid, object);
        instance->Release();
        return hr;
    }
    HRESULT LockServer(bool lock) override
    {
        if (lock)
            ModuleLock::lock();
        else
            ModuleLock::unlock();
        return S_OK;
    }

private:
    ~ClassFactory() { ModuleLock::unlock(); }

    std::atomic<std::uint32_t> references_{1};
};

} // namespace veilcraft::component
