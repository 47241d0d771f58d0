#pragma once

#include "PropertyPage.h"

#include <atomic>
#include <vector>

class QCheckBox;
class QWidget;

namespace veilcraft::kompak {

// The control's property page "General": two check boxes bound to the
// control's Notify and PreserveDirPath properties, each with a note below it.
// The layout follows the page's dialog template of 250 x 110 dialog units.
class CKompakPropPage final : public component::IPropertyPage {
public:
    CKompakPropPage();

    component::HRESULT QueryInterface(const component::Guid& iid, void** object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    component::HRESULT SetObjects(component::IDispatch* const* objects, std::size_t count) override;
    void* CreatePageWidget(void* parentWidget) override;
    component::HRESULT Apply() override;
    [[nodiscard]] bool IsPageDirty() const override { return dirty_; }
    [[nodiscard]] std::string Title() const override;

private:
    ~CKompakPropPage();
    void exchangeToPage();
    void releaseObjects();

    std::atomic<std::uint32_t> references_{1};
    std::vector<component::IDispatch*> objects_;
    QWidget* page_ = nullptr;
    QCheckBox* notify_ = nullptr;
    QCheckBox* preserveDirPath_ = nullptr;
    bool notifyValue_ = false;
    bool preserveValue_ = false;
    bool dirty_ = false;
};

}  // namespace veilcraft::kompak
