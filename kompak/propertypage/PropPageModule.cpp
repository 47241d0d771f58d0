// libkompakpage.so: the Qt Widgets half of the zip control, serving its
// property page class. The control library forwards requests for the page
// class here, so that the control itself needs no widget toolkit.
#include "CKompakPropPage.h"
#include "ControlBase.h"
#include "KompakIds.h"

using namespace veilcraft::component;

VEILCRAFT_COMPONENT_EXPORT HRESULT DllGetClassObject(const Guid* clsid, const Guid* iid, void** object)
{
    if (clsid == nullptr || iid == nullptr || object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (!(*clsid == veilcraft::kompak::CLSID_KompakPropPage))
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new ClassFactory<veilcraft::kompak::CKompakPropPage>();
    const HRESULT hr = factory->QueryInterface(*iid, object);
    factory->Release();
    return hr;
}

VEILCRAFT_COMPONENT_EXPORT HRESULT DllCanUnloadNow()
{
    return ModuleLock::canUnload() ? S_OK : S_FALSE;
}

// The page class is registered by the control library, which names itself as
// the page's server and forwards to this library.
VEILCRAFT_COMPONENT_EXPORT HRESULT DllRegisterServer()
{
    return S_OK;
}

VEILCRAFT_COMPONENT_EXPORT HRESULT DllUnregisterServer()
{
    return S_OK;
}
