#include "platform/win32/win32_secrets.h"

#include "platform/win32/win32_error.h"

#include <windows.h>
#include <wincrypt.h>
#include <bcrypt.h>

#include <memory>

#include "common/failure.h"
#include "platform/win32/library_function.h"

namespace quillet::platform::win32 {
namespace {

// The data the protection functions return, which LocalFree releases.
struct LocalFreeDeleter {
  void operator()(BYTE* data) const { LocalFree(data); }
};
using LocalBytes = std::unique_ptr<BYTE, LocalFreeDeleter>;

// The data protection functions live in crypt32, which is loaded when a token is first stored or
// read: most sessions never need it.
LibraryFunction<decltype(CryptProtectData)> protectData(L"crypt32.dll", "CryptProtectData");
LibraryFunction<decltype(CryptUnprotectData)> unprotectData(L"crypt32.dll", "CryptUnprotectData");

LibraryFunction<decltype(BCryptGenRandom)> genRandom(L"bcrypt.dll", "BCryptGenRandom");

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
  if (!protectData()(&in, L"Quillet", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) {
    ThrowLastError("CryptProtectData");
  }
  return Take(out);
}

std::string Win32Secrets::Unprotect(std::string_view protectedData) {
  DATA_BLOB in = BlobOf(protectedData), entropy = BlobOf(std::string_view(kEntropy, sizeof kEntropy - 1)), out{};
  if (protectedData.empty()) ThrowError("CryptUnprotectData", ERROR_INVALID_DATA);  // nothing was ever protected
  if (!unprotectData()(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
    ThrowLastError("CryptUnprotectData");
  return Take(out);
}

std::string Win32Secrets::RandomBytes(std::size_t count) {
  std::string bytes(count, '\0');
  NTSTATUS status = genRandom()(nullptr, reinterpret_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(count),
                                BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  if (status < 0) ThrowError("BCryptGenRandom", static_cast<DWORD>(status));
  return bytes;
}

}  // namespace quillet::platform::win32
