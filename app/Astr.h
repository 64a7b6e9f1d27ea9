#pragma once

#include <QString>

// The numbered string table: every message and text that the program's code sets
// itself. The English texts live here; the Russian ones in the translation file,
// under the context "Astr" and the id "IDS_n" as disambiguation.
constexpr int kIdsCount = 34;

// Text IDS_n in the active language; n of 34 or more gives IDS_0. A missing or
// empty translation falls back to the English text.
QString IdsText(int n);

// The English source text of IDS_n (for tests and the translation tools).
const char* IdsSourceText(int n);
