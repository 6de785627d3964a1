// The checked build's defaults for AddressSanitizer in the test programs (ASAN_OPTIONS still
// overrides them). The walks allocate millions of small strings; at every allocation the sanitizer
// would record the 30 frames that made it and fill the block with a pattern, and it would hold
// 256 MB of freed blocks, always fresh pages, before reusing one: together more than the tests'
// own work. Every bad access is still caught, a freed block is still held back for the next 64 MB
// freed; a report names the allocation's four innermost frames, and a walk's seed replays it
// (docs/testing.md) for a deeper look.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
extern "C" const char* __asan_default_options() {
  return "malloc_context_size=4:max_malloc_fill_size=0:quarantine_size_mb=64";
}
#endif
#endif
