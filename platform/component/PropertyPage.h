#pragma once

#include "Interfaces.h"

#include <string>

namespace veilcraft::component {

inline constexpr Guid IID_IPropertyPage{0x6B1E3C20, 0x4F7A, 0x4D0E, {0x9A, 0x51, 0x2E, 0x7C, 0x10, 0x33, 0x58, 0x04}};

// A control's property page: a widget that edits some properties of the
// controls it is given. The page reads the properties into its fields when
// objects are set and writes them back on Apply. The widget is a QWidget
// created as a child of the parent the host passes (void* keeps this
// contract free of the toolkit); the page owns nothing of the host.
class IPropertyPage : public IUnknown {
public:
    // The objects edited; the page holds a reference to each until the next
    // call or its release. Reads their properties into the fields.
    virtual HRESULT SetObjects(IDispatch* const* objects, std::size_t count) = 0;
    // Creates the page's widget under `parentWidget` (a QWidget*) and returns it.
    virtual void* CreatePageWidget(void* parentWidget) = 0;
    // Writes the fields into every object's properties.
    virtual HRESULT Apply() = 0;
    // True when a field changed since the objects were set or applied.
    [[nodiscard]] virtual bool IsPageDirty() const = 0;
    // The page's tab caption.
    [[nodiscard]] virtual std::string Title() const = 0;

protected:
    ~IPropertyPage() = default;
};

}  // namespace veilcraft::component
