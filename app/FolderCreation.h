#pragma once

#include "base/WorkingFolders.h"

// Creates the missing folders one level at a time, each step tested (throws AppError with the
// file system's text). Afterwards the process's current folder is the program folder.
void createWorkingFolders(const WorkingFolders &folders);
