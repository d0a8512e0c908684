#pragma once

// How long the engines wait for what another program or a server holds up,
// in seconds:
//
//   wait          product  what it bounds
//   LocalLock     5        a lock another program holds on a database file
//   ServerLock    10       a lock another session holds on a server's table
//   Connect       5        a server that does not take the connection
//   Answer        30       a server that leaves a statement unanswered
//
// The environment variable CORVANTA_ATTESA_MASSIMA (seconds), meant for the
// tests, caps the first three, so that the tests of these waits need not
// wait them out. The answer wait stays three times the server lock wait
// whatever the cap: a statement that waits for a lock must give up, and
// say so, well before the connection counts as lost. The messages that name
// a wait name the one applied.
enum class EngineWait { LocalLock, ServerLock, Connect, Answer };

int WaitSeconds(EngineWait wait);
