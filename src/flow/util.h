// SPDX-License-Identifier: MIT
// Small pure helpers shared by both drills and the record writers.
#pragma once

#include <cstdint>
#include "platform/platform.h"

int32_t ToUpperKey(int32_t ch);
double TruncateToWhole(double x);
double ElapsedSeconds(const _timeb* pStart, const _timeb* pEnd);
// A drill's duration in whole milliseconds, rounded; 0 for a negative or NaN one.
int64_t DrillMs(double dSeconds);
char* ReformatDate(char* pszOut, const char* pszIn);
