#include "ControlBase.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>

namespace veilcraft::component {

namespace {

bool equalIgnoringCase(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// An argument as the declared type; false when it cannot be converted.
bool convert(const Variant& value, Variant::Type type, Variant& converted)
{
    switch (type) {
    case Variant::Type::Bool: {
        const auto v = value.toBool();
        if (v)
            converted = Variant(*v);
        return v.has_value();
    }
    case Variant::Type::Int16: {
        const auto v = value.toInt16();
        if (v)
            converted = Variant(*v);
        return v.has_value();
    }
    case Variant::Type::Int32: {
        const auto v = value.toInt32();
        if (v)
            converted = Variant(*v);
        return v.has_value();
    }
    case Variant::Type::String:
        if (value.type() != Variant::Type::String)
            return false;
        converted = value;
        return true;
    case Variant::Type::Empty:
        converted = value;
        return true;
    }
    return false;
}

// Releases one reference of a control when the task holding it goes, also
// when a site drops a task without running it.
class ReferenceHolder {
public:
    explicit ReferenceHolder(IUnknown* object) : object_(object) {}
    ~ReferenceHolder() { object_->Release(); }
    ReferenceHolder(const ReferenceHolder&) = delete;
    ReferenceHolder& operator=(const ReferenceHolder&) = delete;

private:
    IUnknown* object_;
};

} // namespace

std::atomic<long>& ModuleLock::count()
{
    static std::atomic<long> value{0};
    return value;
}

void PropExchange::exchangeBool(const std::string& name, bool& value)
{
    if (!loading_) {
        state_.values.emplace_back(name, Variant(value));
        return;
    }
    for (const auto& [key, stored] : state_.values) {
        if (key != name)
            continue;
        if (const auto converted = stored.toBool())
            value = *converted;
        return;
    }
}

ControlBase::ControlBase(const Guid& eventInterface, std::uint32_t stateVersion, std::string source)
    : eventInterface_(eventInterface), stateVersion_(stateVersion), source_(std::move(source))
{
    ModuleLock::lock();
}

ControlBase::~ControlBase()
{
    ModuleLock::unlock();
}

HRESULT ControlBase::QueryInterface(const Guid& iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown)
        *object = static_cast<IUnknown*>(static_cast<IDispatch*>(this));
    else if (iid == IID_IDispatch)
        *object = static_cast<IDispatch*>(this);
    else if (iid == IID_IEventSource)
        *object = static_cast<IEventSource*>(this);
    else if (iid == IID_IOleControl)
        *object = static_cast<IOleControl*>(this);
    else if (iid == IID_IPersistState)
        *object = static_cast<IPersistState*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

std::uint32_t ControlBase::AddRef()
{
    return references_.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::uint32_t ControlBase::Release()
{
    const std::uint32_t left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0)
        delete this;
    return left;
}

bool ControlBase::tryAddRef()
{
    std::uint32_t current = references_.load(std::memory_order_relaxed);
    while (current != 0) {
        if (references_.compare_exchange_weak(current, current + 1, std::memory_order_acq_rel))
            return true;
    }
    return false;
}

void ControlBase::addProperty(DISPID id, std::string name, Variant::Type type, Getter get, Setter set)
{
    members_.push_back({id, std::move(name), false, type, {}, std::move(get), std::move(set), {}});
}

void ControlBase::addMethod(DISPID id, std::string name, Variant::Type resultType,
                            std::vector<Variant::Type> parameters, Method call)
{
    members_.push_back({id, std::move(name), true, resultType, std::move(parameters), {}, {}, std::move(call)});
}

const ControlBase::Member* ControlBase::findMember(DISPID id) const
{
    const auto found = std::find_if(members_.begin(), members_.end(), [id](const Member& m) { return m.id == id; });
    return found == members_.end() ? nullptr : &*found;
}

HRESULT ControlBase::GetIDsOfNames(const std::string& name, DISPID* id)
{
    if (id == nullptr)
        return E_POINTER;
    for (const Member& member : members_) {
        if (equalIgnoringCase(member.name, name)) {
            *id = member.id;
            return S_OK;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT ControlBase::Invoke(DISPID id, DispatchKind kind, const std::vector<Variant>& arguments, Variant* result,
                            ExcepInfo* exception)
{
    const Member* member = findMember(id);
    if (member == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    try {
        if (member->isMethod) {
            if (kind != DispatchKind::Method)
                return DISP_E_MEMBERNOTFOUND;
            if (arguments.size() != member->parameters.size())
                return DISP_E_BADPARAMCOUNT;
            std::vector<Variant> converted(arguments.size());
            for (std::size_t i = 0; i < arguments.size(); ++i) {
                if (!convert(arguments[i], member->parameters[i], converted[i]))
                    return DISP_E_TYPEMISMATCH;
            }
            Variant value = member->call(converted);
            if (result != nullptr)
                *result = std::move(value);
            return S_OK;
        }
        if (kind == DispatchKind::PropertyGet) {
            if (!arguments.empty())
                return DISP_E_BADPARAMCOUNT;
            if (result != nullptr)
                *result = member->get();
            return S_OK;
        }
        if (kind == DispatchKind::PropertyPut) {
            if (arguments.size() != 1)
                return DISP_E_BADPARAMCOUNT;
            if (!member->set) {
                if (exception != nullptr)
                    *exception = {
                        static_cast<std::int32_t>(static_cast<std::uint32_t>(CTL_E_SETNOTSUPPORTED) & 0xFFFFu), source_,
                        "Property is read-only", CTL_E_SETNOTSUPPORTED};
                return CTL_E_SETNOTSUPPORTED;
            }
            Variant value;
            if (!convert(arguments[0], member->type, value))
                return DISP_E_TYPEMISMATCH;
            member->set(value);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    } catch (const std::exception& error) {
        if (exception != nullptr)
            *exception = {0, source_, error.what(), E_FAIL};
        return DISP_E_EXCEPTION;
    } catch (...) {
        if (exception != nullptr)
            *exception = {0, source_, "unknown failure", E_FAIL};
        return DISP_E_EXCEPTION;
    }
}

HRESULT ControlBase::Advise(const Guid& eventIid, IEventSink* sink, std::uint32_t* cookie)
{
    if (sink == nullptr || cookie == nullptr)
        return E_POINTER;
    if (eventIid != eventInterface_)
        return E_NOINTERFACE;
    *cookie = nextCookie_++;
    connections_.push_back({*cookie, sink});
    return S_OK;
}

HRESULT ControlBase::Unadvise(std::uint32_t cookie)
{
    const auto found = std::find_if(connections_.begin(), connections_.end(),
                                    [cookie](const Connection& c) { return c.cookie == cookie; });
    if (found == connections_.end())
        return E_INVALIDARG;
    connections_.erase(found);
    return S_OK;
}

HRESULT ControlBase::SetClientSite(IControlSite* site)
{
    site_.store(site);
    return S_OK;
}

HRESULT ControlBase::Load(const SavedState& state)
{
    SavedState copy = state; // the exchange reads; it never changes the host's state
    PropExchange exchange(copy, true);
    DoPropExchange(exchange);
    SetModifiedFlag(false);
    return S_OK;
}

HRESULT ControlBase::Save(SavedState& state)
{
    state = SavedState{};
    state.version = stateVersion_;
    PropExchange exchange(state, false);
    DoPropExchange(exchange);
    SetModifiedFlag(false);
    return S_OK;
}

HRESULT ControlBase::InitNew()
{
    OnResetState();
    SetModifiedFlag(false);
    return S_OK;
}

bool ControlBase::IsHostThread() const
{
    if (const IControlSite* site = site_.load())
        return site->IsHostThread();
    return std::this_thread::get_id() == creator_;
}

void ControlBase::onHostThread(std::function<void()> task)
{
    if (IsHostThread()) {
        task();
        return;
    }
    IControlSite* site = site_.load();
    // Without a site, or once the host has let go of the control, nothing can
    // reach the host's thread any more.
    if (site == nullptr || !tryAddRef())
        return;
    auto holder = std::make_shared<ReferenceHolder>(static_cast<IDispatch*>(this));
    // The reference travels inside the task only, so it is released where
    // the task goes: on the host's thread once it has run.
    site->PostToHostThread([holder = std::move(holder), task = std::move(task)] { task(); });
}

void ControlBase::FireEvent(DISPID id, std::vector<Variant> arguments)
{
    onHostThread([this, id, arguments = std::move(arguments)] { deliverEvent(id, arguments); });
}

void ControlBase::FireError(HRESULT scode, const std::string& description, const std::string& source)
{
    ErrorNotification notification;
    notification.number = static_cast<std::int16_t>(static_cast<std::uint32_t>(scode) & 0xFFFFu);
    notification.description = description;
    notification.scode = scode;
    notification.source = source;
    onHostThread([this, notification = std::move(notification)] { deliverError(notification); });
}

void ControlBase::deliverEvent(DISPID id, const std::vector<Variant>& arguments)
{
    // A copy: a handler may disconnect sinks while the event is delivered.
    const std::vector<Connection> connections = connections_;
    for (const Connection& connection : connections) {
        if (std::any_of(connections_.begin(), connections_.end(),
                        [&](const Connection& c) { return c.cookie == connection.cookie; }))
            connection.sink->OnEvent(id, arguments);
    }
}

void ControlBase::deliverError(ErrorNotification notification)
{
    const std::vector<Connection> connections = connections_;
    for (const Connection& connection : connections) {
        if (std::any_of(connections_.begin(), connections_.end(),
                        [&](const Connection& c) { return c.cookie == connection.cookie; }))
            connection.sink->OnError(notification);
    }
    if (!notification.cancelDisplay) {
        if (IControlSite* site = site_.load())
            site->ShowErrorMessage(notification.description, notification.source);
    }
}

} // namespace veilcraft::component
