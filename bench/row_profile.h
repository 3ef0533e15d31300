// The cost of a listed row, step by step: every message that the main window,
// the result list, its header and the status line handle during a scan is
// timed by subclassing them from the benchmark, so the program runs unchanged.
#pragma once
#include <windows.h>

double Now();                                   // seconds, from the performance counter

void StartRowProfile();                         // subclass the windows, zero the counts
void StopRowProfile();                          // restore the windows' own procedures
void PrintRowProfile(int rows, double seconds); // per-row cost of each message kind, paint rates
void PrintRowBlocks(int blockRows);             // per-row cost of the first and the last block
double IdleRoundTrip(int messages);             // one synchronous cross-thread message, seconds
