#pragma once

// The frame of every fuzz target. A target is one file tests/fuzz/fuzz_<name>.cpp
// that includes this header and defines
//
//     void fuzzOne(const QByteArray& input)
//
// feeding the input to one of the program's parsers (any misbehaviour should
// crash or trip a sanitizer). Beside it go a seed corpus folder
// tests/fuzz/corpus/<name>/ (small files, one input each; findings are added
// there) and a dictionary tests/fuzz/<name>.dict. CMake picks all three up:
// `make fuzz` runs the target with libFuzzer, and `make test` replays its
// corpus once through the same function.

#include <QByteArray>
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

void fuzzOne(const QByteArray& input);

// Stops the run as a finding: a rule the target checks does not hold.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            std::abort();                                                                          \
    } while (false)

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // One application for the whole run, offscreen, with its own settings names.
    static int argc = 1;
    static char name[] = "pairvue-fuzz";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Pairvue"));
    QCoreApplication::setApplicationName(QStringLiteral("Pairvue"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy, as the program always holds its input in a QByteArray of its own.
    fuzzOne(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
