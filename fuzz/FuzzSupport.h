#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: the libFuzzer entry points, a scratch home for the working
// folders, and a check that stops the run with a message when a promise is broken.

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace fuzz {

// Points HOME at a scratch folder (for the program's working folders), creates an offscreen
// QApplication and answers every message box (OK, or No to a question) and file dialog (the path
// given to answerFiles) without showing it. Called once, from LLVMFuzzerInitialize.
void prepare(int *argc, char ***argv);
// The scratch folder.
QString home();
// What file dialogs return from now on; empty text cancels them.
void answerFiles(const QString &path);

// A file's bytes; empty when it cannot be read.
QByteArray readAll(const QString &path);

[[noreturn]] void fail(const char *condition, const char *file, int line);

} // namespace fuzz

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzz::fail(#condition, __FILE__, __LINE__);                                          \
    } while (false)
