// The property page as a host shows it: the page class is created through
// the control's library (which hands the request to its widget library), the
// page is bound to a control created by class name, and its check boxes are
// driven headless.
#include "ComponentLibrary.h"
#include "ControlHost.h"
#include "DispatchObject.h"
#include "KompakIds.h"
#include "PropertyPage.h"
#include "QueuedControlSite.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace veilcraft::component;
using namespace veilcraft::kompak;

namespace {

// One application for the whole run, never destroyed: Qt's own cleanup at
// exit must not run after the application object is gone.
void ensureApplication()
{
    static int argc = 1;
    static char name[] = "kompak-page-test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QApplication* const app = new QApplication(argc, argv);
        (void)app;
    }
}

class KompakPropPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        const std::string library = libraryBesideProgram("libkompak.so");
        ASSERT_FALSE(library.empty());
        control_ = DispatchObject(ControlHost(library).createControl("KOMPAKLib.Kompak", &site_));
        const ComPtr<IClassFactory> factory = ComponentLibrary::load(library)->classFactory(CLSID_KompakPropPage);
        ASSERT_TRUE(factory);
        void* raw = nullptr;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, &raw), S_OK);
        page_ = static_cast<IPropertyPage*>(raw);
    }
    void TearDown() override
    {
        delete parent_;
        if (page_ != nullptr)
            page_->Release();
    }

    void show()
    {
        IDispatch* objects[] = {control_.object().get()};
        ASSERT_EQ(page_->SetObjects(objects, 1), S_OK);
        parent_ = new QWidget;
        widget_ = static_cast<QWidget*>(page_->CreatePageWidget(parent_));
        parent_->show();
    }
    QCheckBox* box(const char* name) { return widget_->findChild<QCheckBox*>(QString::fromLatin1(name)); }

    QueuedControlSite site_;
    DispatchObject control_;
    IPropertyPage* page_ = nullptr;
    QWidget* parent_ = nullptr;
    QWidget* widget_ = nullptr;
};

}  // namespace

// The page must read both properties into its check boxes, each into the
// right one, and keep the texts of the page.
TEST_F(KompakPropPage, ShowsTheControlsProperties)
{
    control_.put(dispid::Notify, Variant(true));
    control_.put(dispid::PreserveDirPath, Variant(false));
    show();
    EXPECT_EQ(page_->Title(), "General");
    ASSERT_NE(box("chkNotify"), nullptr);
    ASSERT_NE(box("chkPreserveDirPath"), nullptr);
    EXPECT_TRUE(box("chkNotify")->isChecked());
    EXPECT_FALSE(box("chkPreserveDirPath")->isChecked());
    EXPECT_EQ(box("chkNotify")->text(), "Enable Mutilthreaded Zip Notification Event \"ZipThreadDone\"");
    EXPECT_EQ(box("chkPreserveDirPath")->text(), "Preserve current Directory Stucture in zip or in Dir to be zipped");
    EXPECT_EQ(widget_->findChildren<QLabel*>().size(), 2);
    EXPECT_FALSE(page_->IsPageDirty());
}

// Clicking marks the page dirty; only Apply writes the properties back.
TEST_F(KompakPropPage, ApplyWritesTheCheckBoxesBack)
{
    show();
    QTest::mouseClick(box("chkNotify"), Qt::LeftButton);
    QTest::mouseClick(box("chkPreserveDirPath"), Qt::LeftButton);
    EXPECT_TRUE(page_->IsPageDirty());
    EXPECT_EQ(control_.get(dispid::Notify).toBool(), false);

    ASSERT_EQ(page_->Apply(), S_OK);
    EXPECT_FALSE(page_->IsPageDirty());
    EXPECT_EQ(control_.get(dispid::Notify).toBool(), true);
    EXPECT_EQ(control_.get(dispid::PreserveDirPath).toBool(), true);
}
