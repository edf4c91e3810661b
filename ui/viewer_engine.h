// What the browser engine needs before it first starts in this process.
// Some of its failures end the whole process from inside the engine (a
// missing helper program, no usable sandbox, root with the sandbox on), so
// they are checked here first and reported instead. Part of the viewer
// module.
#pragma once

#include <QString>

namespace talvec {

// Checks the engine's helper program and its sandbox, and switches the
// sandbox off when the process runs as root (the engine refuses root with
// it). Returns an empty text when the engine can start, else the cause for
// the user. Runs before the engine's first use; says in the log what it
// chose.
QString PrepareBrowserEngine();

}  // namespace talvec
