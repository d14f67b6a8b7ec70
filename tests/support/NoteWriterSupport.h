#pragma once

#include "Services/NoteWriter.h"
#include "TestSupport.h"

namespace penwick::test {

// Waits until every note given to the process's note writer is stored (or kept, or refused)
// and its completion has run on the main thread.
inline bool waitForNotesWritten(int timeoutMs = 30000)
{
    return waitUntil([] {
        NoteWriter* writer = NoteWriter::shared();
        return !writer || writer->isSettled();
    }, timeoutMs);
}

} // namespace penwick::test
