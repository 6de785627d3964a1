#include "platform/win32/win32_secrets.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>

#include "common/failure.h"
#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {
namespace {

// The data the protection functions return, which LocalFree releases.
struct LocalFreeDeleter {
  void operator()(BYTE* data) const { LocalFree(data); }
};
using LocalBytes = std::unique_ptr<BYTE, LocalFreeDeleter>;

// Mixed into every blob, so that what another program protected does not open here by chance.
constexpr char kEntropy[] = "Quillet access token";

DATA_BLOB BlobOf(std::string_view bytes) {
  return DATA_BLOB{static_cast<DWORD>(bytes.size()), reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()))};
}

std::string Take(DATA_BLOB& out) {
  LocalBytes owner(out.pbData);
  return std::string(reinterpret_cast<const char*>(out.pbData), out.cbData);
}

}  // namespace

std::string Win32Secrets::Protect(std::string_view clear) {
  DATA_BLOB in = BlobOf(clear), entropy = BlobOf(std::string_view(kEntropy, sizeof kEntropy - 1)), out{};
  if (!CryptProtectData(&in, L"Quillet", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) {
    ThrowLastError("CryptProtectData");
  }
  return Take(out);
}

std::string Win32Secrets::Unprotect(std::string_view protectedData) {
  DATA_BLOB in = BlobOf(protectedData), entropy = BlobOf(std::string_view(kEntropy, sizeof kEntropy - 1)), out{};
  if (protectedData.empty()) ThrowError("CryptUnprotectData", ERROR_INVALID_DATA);  // nothing was ever protected
  if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
    ThrowLastError("CryptUnprotectData");
  return Take(out);
}

}  // namespace quillet::platform::win32
