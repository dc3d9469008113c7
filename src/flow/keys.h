// SPDX-License-Identifier: MIT
// Key normalisation: full-width, hiragana, katakana and kana-lock characters back to the
// plain key on the same key top.
#pragma once

#include <cstdint>

int32_t NormalizeDbcsKey(int32_t nKey);
int32_t WideToNarrowKana(unsigned char* pBuffer);
int32_t MapKanaKey(int32_t nKey);
// Forgets a held lead byte.
void ResetKeyState();
