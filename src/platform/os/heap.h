#pragma once

// The C library's heap and big query results.
//
// A query result is kept as many blocks of a few kilobytes. Closing one of a million rows frees
// them from the top of the heap downwards, and with the allocator's default settings (a trim
// threshold about as large as the pad it keeps) the heap is handed back to the system after
// almost every block: tens of thousands of brk calls, and the window stands still for a second
// or more. tuneHeapForLargeResults() fixes a trim threshold far above that pad, so the heap is
// trimmed in a few large steps; freed memory still goes back to the system.
namespace os {

// Call once at the start of main, before anything large is allocated.
void tuneHeapForLargeResults();

} // namespace os
