/* Linked only into the recording build of quillet.exe (QUILLET_RECORD_CALLS, made by
 * tools/code_order/record.sh), whose code is compiled with -finstrument-functions: every function
 * entered for the first time has its address, relative to the image's base, written as a hex line
 * to the file named by the environment variable QUILLET_CALL_LOG (nothing is written without it).
 * The file thus lists the functions in the order the program first ran them. */
#include <windows.h>

#define SLOTS 65536u /* a power of two, well above the program's count of functions */

extern IMAGE_DOS_HEADER __ImageBase;

static DWORD seen[SLOTS]; /* offsets + 1 already written; 0 is an empty slot */
static volatile LONG lock;
static HANDLE log_file = INVALID_HANDLE_VALUE;
static int opened;

__attribute__((no_instrument_function)) static void open_log(void) {
  char path[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("QUILLET_CALL_LOG", path, sizeof path);
  opened = 1;
  if (length > 0 && length < sizeof path)
    log_file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
}

__attribute__((no_instrument_function)) static void record(DWORD offset) {
  static const char digits[] = "0123456789abcdef";
  DWORD slot = (offset * 2654435761u) & (SLOTS - 1), written;
  char line[10];
  int i;
  while (seen[slot] != 0) {
    if (seen[slot] == offset + 1) return;
    slot = (slot + 1) & (SLOTS - 1);
  }
  seen[slot] = offset + 1;
  for (i = 0; i < 8; ++i) line[i] = digits[(offset >> (28 - 4 * i)) & 15];
  line[8] = '\n';
  if (log_file != INVALID_HANDLE_VALUE) WriteFile(log_file, line, 9, &written, NULL);
}

__attribute__((no_instrument_function)) void __cyg_profile_func_enter(void *function, void *call_site) {
  (void)call_site;
  while (InterlockedExchange(&lock, 1) != 0) Sleep(0);
  if (!opened) open_log();
  record((DWORD)((const char *)function - (const char *)&__ImageBase));
  InterlockedExchange(&lock, 0);
}

__attribute__((no_instrument_function)) void __cyg_profile_func_exit(void *function, void *call_site) {
  (void)function;
  (void)call_site;
}
