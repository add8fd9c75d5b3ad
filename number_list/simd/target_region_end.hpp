// Closes the region that target_region_begin.hpp opened: what follows is built for the baseline.
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
