#include "CKompakPropPage.h"

#include "ControlBase.h"

#include <QCheckBox>
#include <QFont>
#include <QLabel>
#include <QPointer>
#include <QWidget>

namespace veilcraft::kompak {

using component::DispatchKind;
using component::HRESULT;
using component::IDispatch;
using component::Variant;

namespace {

constexpr component::DISPID kPreserveDirPath = 1;
constexpr component::DISPID kNotify = 2;

// Dialog units of the page's 8-point font: a horizontal unit is a quarter
// of the average character width (6 px), a vertical one an eighth of the
// character height (13 px).
QRect dialogRect(int x, int y, int width, int height)
{
    const auto px = [](int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; };
    return {px(x, 6, 4), px(y, 13, 8), px(width, 6, 4), px(height, 13, 8)};
}

QLabel* note(QWidget* parent, const char* text, const QRect& rect)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setGeometry(rect);
    return label;
}

}  // namespace

CKompakPropPage::CKompakPropPage()
{
    component::ModuleLock::lock();
}

CKompakPropPage::~CKompakPropPage()
{
    releaseObjects();
    delete page_;
    component::ModuleLock::unlock();
}

HRESULT CKompakPropPage::QueryInterface(const component::Guid& iid, void** object)
{
    if (object == nullptr)
        return component::E_POINTER;
    if (iid == component::IID_IUnknown || iid == component::IID_IPropertyPage) {
        *object = static_cast<component::IPropertyPage*>(this);
        AddRef();
        return component::S_OK;
    }
    *object = nullptr;
    return component::E_NOINTERFACE;
}

std::uint32_t CKompakPropPage::AddRef()
{
    return ++references_;
}

std::uint32_t CKompakPropPage::Release()
{
    const std::uint32_t left = --references_;
    if (left == 0)
        delete this;
    return left;
}

void CKompakPropPage::releaseObjects()
{
    for (IDispatch* object : objects_)
        object->Release();
    objects_.clear();
}

HRESULT CKompakPropPage::SetObjects(IDispatch* const* objects, std::size_t count)
{
    releaseObjects();
    for (std::size_t i = 0; i < count; ++i) {
        objects[i]->AddRef();
        objects_.push_back(objects[i]);
    }
    // The page shows the first object's values, as a page for several
    // controls of one kind does.
    if (!objects_.empty()) {
        Variant value;
        if (component::succeeded(objects_.front()->Invoke(kNotify, DispatchKind::PropertyGet, {}, &value, nullptr)))
            notifyValue_ = value.toBool().value_or(false);
        if (component::succeeded(
                objects_.front()->Invoke(kPreserveDirPath, DispatchKind::PropertyGet, {}, &value, nullptr)))
            preserveValue_ = value.toBool().value_or(false);
    }
    dirty_ = false;
    exchangeToPage();
    return component::S_OK;
}

void* CKompakPropPage::CreatePageWidget(void* parentWidget)
{
    page_ = new QWidget(static_cast<QWidget*>(parentWidget));
    page_->setObjectName(QStringLiteral("CKompakPropPage"));
    page_->setWindowTitle(QString::fromStdString(Title()));
    page_->setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    page_->setFixedSize(dialogRect(0, 0, 250, 110).size());

    notify_ = new QCheckBox(QStringLiteral("Enable Mutilthreaded Zip Notification Event \"ZipThreadDone\""), page_);
    notify_->setObjectName(QStringLiteral("chkNotify"));
    notify_->setGeometry(dialogRect(11, 10, 211, 9));
    note(page_,
         "This option lets you start the zip/unzip and continue executing your code unblocked until the "
         "ZipThreadDone Event is triggered to signal that the current zip operation is completed",
         dialogRect(11, 23, 220, 28));
    preserveDirPath_ =
        new QCheckBox(QStringLiteral("Preserve current Directory Stucture in zip or in Dir to be zipped"), page_);
    preserveDirPath_->setObjectName(QStringLiteral("chkPreserveDirPath"));
    preserveDirPath_->setGeometry(dialogRect(11, 55, 211, 9));
    note(page_,
         "This option lets you either preserve the directory and subdirectory structure in a directory you are "
         "about to zip, or preserve the directory structure in a zip file that you are about to unzip",
         dialogRect(11, 68, 220, 28));

    QObject::connect(notify_, &QCheckBox::toggled, page_, [this](bool on) {
        notifyValue_ = on;
        dirty_ = true;
    });
    QObject::connect(preserveDirPath_, &QCheckBox::toggled, page_, [this](bool on) {
        preserveValue_ = on;
        dirty_ = true;
    });
    // The page object may outlive its widget; forget the widget when it goes.
    QObject::connect(page_, &QObject::destroyed, [this] {
        page_ = nullptr;
        notify_ = nullptr;
        preserveDirPath_ = nullptr;
    });
    exchangeToPage();
    return page_;
}

void CKompakPropPage::exchangeToPage()
{
    if (page_ == nullptr)
        return;
    const bool wasDirty = dirty_;
    notify_->setChecked(notifyValue_);
    preserveDirPath_->setChecked(preserveValue_);
    dirty_ = wasDirty;
}

HRESULT CKompakPropPage::Apply()
{
    HRESULT result = component::S_OK;
    for (IDispatch* object : objects_) {
        for (const auto& [id, value] : {std::pair{kNotify, notifyValue_}, std::pair{kPreserveDirPath, preserveValue_}}) {
            const HRESULT hr = object->Invoke(id, DispatchKind::PropertyPut, {Variant(value)}, nullptr, nullptr);
            if (component::failed(hr))
                result = hr;
        }
    }
    if (component::succeeded(result))
        dirty_ = false;
    return result;
}

std::string CKompakPropPage::Title() const
{
    return "General";
}

}  // namespace veilcraft::kompak
