#pragma once
// The settings of the SQLite engine for a whole program, made once at its
// start, before anything is opened: each connection is used by one thread at
// a time (the programs have one thread), so the engine takes no mutex on
// every call, and it keeps no memory statistics. Neither touches durability:
// the rollback journal and synchronous writes stay as they are.
namespace engine {

// Call first thing in main(). Returns false when the engine was already in
// use (the settings then stay the engine's defaults, which are also safe).
bool configure();

} // namespace engine
