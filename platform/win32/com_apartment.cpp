#include "platform/win32/com_apartment.h"

#include <windows.h>
#include <objbase.h>

#include "common/failure.h"
#include "common/trace.h"
#include "platform/win32/library_function.h"

namespace quillet::platform::win32 {
namespace {

LibraryFunction<decltype(CoInitializeEx)> enterApartment(L"ole32.dll", "CoInitializeEx");
LibraryFunction<decltype(CoUninitialize)> leaveApartment(L"ole32.dll", "CoUninitialize");

}  // namespace

ComApartment::~ComApartment() {
  if (!leave_) return;
  try {
    leaveApartment()();
  } catch (const Failure&) {
  }
}

bool ComApartment::Enter() {
  if (entered_) return true;
  try {
    HRESULT result = enterApartment()(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    leave_ = SUCCEEDED(result);  // S_FALSE too: entered before, counted once more
    entered_ = SUCCEEDED(result) || result == RPC_E_CHANGED_MODE;
  } catch (const Failure& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);
  }
  return entered_;
}

}  // namespace quillet::platform::win32
