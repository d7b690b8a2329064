// The address sanitizer's defaults for the fuzz targets.  A fuzz run allocates and frees a
// picture per input: with the default quarantine of 256 MB every input's picture lands on fresh,
// cold pages, and the periodic return of free memory to the system faults them in again, which
// cost more than the interpretation.  A 16 MB quarantine still holds everything one input frees,
// so a use after free within an input is still found.  Options given in ASAN_OPTIONS come on top.
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=16:allocator_release_to_os_interval_ms=-1";
}
