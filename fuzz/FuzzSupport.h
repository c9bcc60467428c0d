#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: the libFuzzer entry points, a scratch home for the working
// folders, and a check that stops the run with a message when a promise is broken.

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace fuzz {

// Points HOME at a scratch folder (for the program's working folders) and creates an offscreen
// QGuiApplication for picture decoding. Called once, from LLVMFuzzerInitialize.
void prepare(int *argc, char ***argv);
// The scratch folder.
QString home();

[[noreturn]] void fail(const char *condition, const char *file, int line);

} // namespace fuzz

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzz::fail(#condition, __FILE__, __LINE__);                                          \
    } while (false)
