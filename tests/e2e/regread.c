/* regread.exe SUBKEY NAME: prints the raw bytes of a value under HKEY_CURRENT_USER as hex
   ("" for empty data), or "missing". reg.exe and regedit print values without a NUL, and
   empty ones, inexactly; the end-to-end tests need the bytes as stored. */
#include <stdio.h>
#include <windows.h>

int main(int argc, char** argv) {
  HKEY key;
  BYTE data[4096];
  DWORD size = sizeof data, type = 0, i;
  if (argc != 3 || RegOpenKeyExA(HKEY_CURRENT_USER, argv[1], 0, KEY_READ, &key) != ERROR_SUCCESS) {
    puts("missing");
    return 0;
  }
  if (RegQueryValueExA(key, argv[2], NULL, &type, data, &size) != ERROR_SUCCESS) {
    puts("missing");
  } else {
    for (i = 0; i < size; ++i) printf("%02x", data[i]);
    putchar('\n');
  }
  RegCloseKey(key);
  return 0;
}
