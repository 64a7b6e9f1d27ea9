#pragma once

#include <QtGlobal>

// A month of recording in one go: the virtual bath answers at once and the
// poll cycle starts again as soon as the last one is answered, until rows rows
// are recorded. Prints its figures; returns non-zero when a request was lost,
// a row is malformed or the memory per row grew over the run.
int RunSoak(qsizetype rows);
