/* protect_value.exe KEY NAME TEXT: stores TEXT protected with the current user's data protection
   (CryptProtectData, as the program protects a further account's password or a token) as the
   binary value NAME under HKEY_CURRENT_USER\KEY, creating the key. Exit status 0 when stored. */
#include <stdio.h>
#include <string.h>
#include <windows.h>
#include <wincrypt.h>

/* The program's own additional entropy (platform/win32/win32_secrets.cpp). */
static const char kEntropy[] = "Quillet access token";

int main(int argc, char** argv) {
  DATA_BLOB clear, sealed, entropy;
  HKEY key;
  LONG status;
  if (argc != 4) {
    fputs("usage: protect_value.exe KEY NAME TEXT\n", stderr);
    return 1;
  }
  clear.pbData = (BYTE*)argv[3];
  clear.cbData = (DWORD)strlen(argv[3]);
  entropy.pbData = (BYTE*)kEntropy;
  entropy.cbData = (DWORD)(sizeof kEntropy - 1);
  if (!CryptProtectData(&clear, L"Quillet", &entropy, NULL, NULL, CRYPTPROTECT_UI_FORBIDDEN, &sealed)) {
    fprintf(stderr, "protect_value: CryptProtectData failed (%lu)\n", GetLastError());
    return 1;
  }
  if (RegCreateKeyA(HKEY_CURRENT_USER, argv[1], &key) != ERROR_SUCCESS) {
    LocalFree(sealed.pbData);
    fputs("protect_value: the key cannot be created\n", stderr);
    return 1;
  }
  status = RegSetValueExA(key, argv[2], 0, REG_BINARY, sealed.pbData, sealed.cbData);
  RegCloseKey(key);
  LocalFree(sealed.pbData);
  return status == ERROR_SUCCESS ? 0 : 1;
}
