// SPDX-License-Identifier: MIT
// Small pure helpers shared by both drills and the record writers.
#pragma once

#include <cstdint>
#include "platform/platform.h"

int32_t ToUpperKey(int32_t ch);
double TruncateToWhole(double x);
double ElapsedSeconds(const _timeb* pStart, const _timeb* pEnd);
char* ReformatDate(char* pszOut, const char* pszIn);
