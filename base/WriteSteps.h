#pragma once

// A seam for tests of the file helper: each write reports its steps, and a test may stop the
// process at one of them.

#include <QString>

#include <functional>

namespace files {

// The steps of a write, in their order, for tests. `Writing` comes when half the bytes are
// written. Until the file is placed `target` is empty; `Placing` comes just before the rename
// (an observer that throws a FileError there fails it), `FolderFlushed` after each placing.
enum class WriteStep { Created, Writing, Written, Flushed, Placing, Placed, FolderFlushed };
using StepObserver = std::function<void(WriteStep step, const QString &temporary, const QString &target)>;
void setStepObserver(StepObserver observer);
// For tests that kill the process in the middle of a write: with MIRELON_FILES_STOP_AT set to a
// step's name (created, writing, written, flushed, placing, placed, folder-flushed), optionally followed
// by ":N" for its Nth time, the process stops itself (SIGSTOP) at that step. Unix only.
inline constexpr const char *kStopAtVariable = "MIRELON_FILES_STOP_AT";

// Called by the writer at each step: tells the observer, and stops the process where asked.
void step(WriteStep at, const QString &temporary, const QString &target);

} // namespace files
