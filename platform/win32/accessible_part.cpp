#include "platform/win32/accessible_part.h"

#include <objbase.h>
#include <oleacc.h>

#include <utility>

#include "common/convert.h"
#include "common/failure.h"
#include "common/trace.h"
#include "platform/win32/library_function.h"

namespace quillet::platform::win32 {
namespace {

LibraryFunction<decltype(CreateStdAccessibleObject)> createStandardObject(L"oleacc.dll", "CreateStdAccessibleObject");
LibraryFunction<decltype(LresultFromObject)> resultFromObject(L"oleacc.dll", "LresultFromObject");
LibraryFunction<decltype(SysAllocStringLen)> allocString(L"oleaut32.dll", "SysAllocStringLen");

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT ToBstr(const std::u16string& text, BSTR* out) {
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  try {
    *out = allocString()(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
  } catch (const Failure&) {
    return E_FAIL;
  }
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// The part's own answers; everything else is the standard object's.
class PartAccessible final : public IAccessible {
 public:
  PartAccessible(IAccessible* standard, std::weak_ptr<AccessiblePart> part) : standard_(standard), part_(std::move(part)) {}
  PartAccessible(const PartAccessible&) = delete;
  PartAccessible& operator=(const PartAccessible&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    // IOleWindow, IEnumVARIANT... as the standard object has them (they name the same window).
    return standard_->QueryInterface(iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: as the standard object.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
    return standard_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
    return standard_->Invoke(id, iid, locale, flags, parameters, result, exception, argumentError);
  }

  // The part's own.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Text(child, name, [](const AccessiblePart& part) { return part.name ? part.name() : std::u16string(); });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return Text(child, description,
                [](const AccessiblePart& part) { return part.description ? part.description() : std::u16string(); });
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Text(child, action, [](const AccessiblePart& part) { return part.defaultAction; });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    role->vt = VT_EMPTY;
    if (!IsSelf(child)) return E_INVALIDARG;
    auto part = part_.lock();
    if (!part) return E_FAIL;
    role->vt = VT_I4;
    role->lVal = part->role;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!IsSelf(child)) return E_INVALIDARG;
    auto part = part_.lock();
    if (!part) return E_FAIL;
    if (!part->press) return DISP_E_MEMBERNOTFOUND;
    try {
      part->press();
    } catch (const std::exception& failure) {
      TraceSwallowedFailure(SourcePlace::current(), failure);
      return E_FAIL;
    }
    return S_OK;
  }

  // The standard object's.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override { return standard_->get_accValue(child, value); }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override { return standard_->get_accState(child, state); }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return standard_->get_accHelp(child, help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override { return standard_->get_accSelection(children); }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return standard_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override {
    return standard_->accHitTest(left, top, child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return standard_->put_accName(child, name); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

 private:
  ~PartAccessible() { standard_->Release(); }

  template <typename Read>
  HRESULT Text(const VARIANT& child, BSTR* out, Read read) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsSelf(child)) return E_INVALIDARG;
    auto part = part_.lock();
    if (!part) return E_FAIL;
    try {
      return ToBstr(read(*part), out);
    } catch (const std::exception& failure) {
      TraceSwallowedFailure(SourcePlace::current(), failure);
      return E_FAIL;
    }
  }

  LONG references_ = 1;
  IAccessible* standard_;  // owned: one reference
  std::weak_ptr<AccessiblePart> part_;
};

}  // namespace

LRESULT AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, const std::shared_ptr<AccessiblePart>& part,
                        ComApartment& apartment) {
  if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT) || !part) return 0;
  try {
    if (!apartment.Enter()) return 0;
    IAccessible* standard = nullptr;
    if (FAILED(createStandardObject()(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&standard))) ||
        standard == nullptr) {
      return 0;
    }
    auto* object = new PartAccessible(standard, part);
    LRESULT result = resultFromObject()(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
    object->Release();  // the result holds its own reference
    return result < 0 ? 0 : result;
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);
    return 0;
  }
}

}  // namespace quillet::platform::win32
