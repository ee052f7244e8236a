// The file the shared precompiled header is made from (see the top-level
// CMakeLists.txt): it holds nothing of its own.
